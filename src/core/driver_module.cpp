#include "core/driver_module.h"

namespace quorvix {

DriverModule::DriverModule(Platform& platform) : platform_(platform) {}

DriverModule::~DriverModule() {
  // Port and timer go before the helper, so that no notification or tick can
  // reach a helper that is being released.
  if (window_) {
    window_->timCheckDMXIn.SetEnabled(false);
    window_->comMain.SetPortOpen(false);
  }
  window_.reset();
  poller_.reset();
  state_.PluginHelper.reset();
}

frmMain& DriverModule::MainWindow() {
  if (!window_) {
    window_ = std::make_unique<frmMain>(platform_, state_);
    poller_ = std::make_unique<DMXInPoller>(*window_);
    window_->SetPollHandler([this] { poller_->timCheckDMXIn_Timer(); });
  }
  return *window_;
}

bool DriverModule::Busy() const {
  const bool port_open = window_ && window_->comMain.PortOpen();
  const bool timer_running = window_ && window_->timCheckDMXIn.Running();
  return port_open || timer_running || state_.PluginHelper != nullptr ||
         dialog_ != nullptr;
}

DriverModule::DialogRegistration::DialogRegistration(DriverModule& module,
                                                     frmConfig& dialog)
    : module_(module) {
  module_.dialog_ = &dialog;
}

DriverModule::DialogRegistration::~DialogRegistration() {
  module_.dialog_ = nullptr;
}

}  // namespace quorvix
