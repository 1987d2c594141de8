#pragma once
// One of each fake, bundled as the platform the core expects.

#include "platform/platform.h"
#include "testing/fake/fake_dialog_view.h"
#include "testing/fake/fake_event_loop.h"
#include "testing/fake/fake_messages.h"
#include "testing/fake/fake_serial.h"
#include "testing/fake/fake_store.h"
#include "testing/fake/fake_trace.h"

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
