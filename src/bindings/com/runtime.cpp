#include "bindings/com/runtime.h"

#include "link/frmMain.h"

namespace quorvix::com {

Runtime::Runtime(HINSTANCE instance)
    : owner_thread_(GetCurrentThreadId()),
      events_(instance, frmMain::kCaption),
      serial_(events_, trace_),
      dialogs_(instance),
      platform_{events_, serial_, store_, messages_, trace_, dialogs_},
      module_(platform_) {}

bool Runtime::Idle() const {
  return !module_.Busy() && events_.RunningTimers() == 0;
}

}  // namespace quorvix::com
