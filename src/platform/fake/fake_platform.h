#pragma once
// One of each fake, bundled as the platform the core expects.

#include "platform/fake/fake_dialog_view.h"
#include "platform/fake/fake_event_loop.h"
#include "platform/fake/fake_messages.h"
#include "platform/fake/fake_serial.h"
#include "platform/fake/fake_store.h"
#include "platform/fake/fake_trace.h"
#include "platform/platform.h"

namespace quorvix::fake {

struct FakePlatform {
  FakeEventLoop events;
  FakeSerial serial{events};
  FakeStore store;
  FakeMessages messages;
  FakeTrace trace;
  FakeDialogViews dialogs{events};
  Platform platform{events, serial, store, messages, trace, dialogs};
};

}  // namespace quorvix::fake
