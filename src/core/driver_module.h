#pragma once
// What exists once per loaded library: the platform, the shared state and
// the hidden window (created on first use). Destroying it closes the port,
// stops the poll timer and lets go of the host's helper.

#include <memory>

#include "dmxin/poll_cycle.h"
#include "link/frmMain.h"
#include "platform/platform.h"
#include "state/modMain.h"

namespace quorvix {

class DriverModule {
 public:
  explicit DriverModule(Platform& platform);
  ~DriverModule();
  DriverModule(const DriverModule&) = delete;
  DriverModule& operator=(const DriverModule&) = delete;

  Platform& platform() { return platform_; }
  modMain& state() { return state_; }
  frmMain& MainWindow();
  bool HasMainWindow() const { return window_ != nullptr; }

  // True while a port is open, the poll timer runs or a helper is held.
  bool Busy() const;

 private:
  Platform& platform_;
  modMain state_;
  std::unique_ptr<frmMain> window_;
  std::unique_ptr<DMXInPoller> poller_;
};

}  // namespace quorvix
