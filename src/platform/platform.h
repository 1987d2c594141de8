#pragma once
// Everything the driver needs from the world, bundled for the core.

#include "platform/dialog_view.h"
#include "platform/event_loop.h"
#include "platform/message_box.h"
#include "platform/serial.h"
#include "platform/settings_store.h"
#include "platform/trace_sink.h"

namespace quorvix {

struct Platform {
  EventLoop& events;
  SerialBackend& serial;
  SettingsStore& store;
  MessageBoxes& messages;
  TraceSink& trace;
  DialogViews& dialogs;
};

}  // namespace quorvix
