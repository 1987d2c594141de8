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

class frmConfig;

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

  // True while a port is open, the poll timer runs, a helper is held or the
  // dialog is open.
  bool Busy() const;

  // The configuration dialog while it is open, else nullptr.
  frmConfig* OpenDialog() { return dialog_; }
  // Marks `dialog` open until the registration goes.
  class DialogRegistration {
   public:
    DialogRegistration(DriverModule& module, frmConfig& dialog);
    ~DialogRegistration();
    DialogRegistration(const DialogRegistration&) = delete;
    DialogRegistration& operator=(const DialogRegistration&) = delete;

   private:
    DriverModule& module_;
  };

 private:
  Platform& platform_;
  modMain state_;
  std::unique_ptr<frmMain> window_;
  std::unique_ptr<DMXInPoller> poller_;
  frmConfig* dialog_ = nullptr;
};

}  // namespace quorvix
