#pragma once
// What the loaded library holds: the POSIX platform pinned to the thread
// (and GLib main context) of the first qvx_create, the driver module, and
// the driver objects handed out to the host.

#include <memory>
#include <thread>
#include <vector>

#include "chosen_ui.h"
#include "core/clsOutputDriver.h"
#include "core/driver_module.h"
#include "host_sinks.h"
#include "platform/posix/glib_event_loop.h"
#include "platform/posix/keyfile_store.h"
#include "platform/posix/pinned_context.h"
#include "platform/posix/termios_serial.h"

struct qvx_driver {
  explicit qvx_driver(quorvix::DriverModule& module) : driver(module) {}

  quorvix::clsOutputDriver driver;
  int calls_in_progress = 0;  // a destroy inside a call waits for its end
  bool destroy_requested = false;
};

namespace quorvix::capi {

class Runtime {
 public:
  // Pins the thread's default GLib context, and decides for the lifetime
  // of the library whether anyone reads GLib's log.
  Runtime(HostTraceSink& trace, HostMessageSink& messages, UiChoice& ui);
  ~Runtime();
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  bool OnOwnerThread() const { return std::this_thread::get_id() == thread_; }

  qvx_driver* CreateDriver();
  bool Owns(const qvx_driver* driver) const;
  void DestroyDriver(qvx_driver* driver);

  EventLoop& events() { return events_; }
  DriverModule& module() { return module_; }

 private:
  std::thread::id thread_;
  // Declared before everything attached to it, so it goes last.
  posix::PinnedContext context_;
  posix::TermiosSerial serial_;
  posix::GlibEventLoop events_;
  posix::KeyFileStore store_;
  ChosenDialogViews dialogs_;
  ChosenMessageBoxes messages_;
  Platform platform_;
  DriverModule module_;
  std::vector<std::unique_ptr<qvx_driver>> drivers_;
};

}  // namespace quorvix::capi
