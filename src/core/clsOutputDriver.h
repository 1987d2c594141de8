#pragma once
// The class the host creates. Every operation runs to its end on the host's
// thread; failures are thrown as quorvix::Error and reach the host as the
// operation's error.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/driver_module.h"
#include "platform/host_helper.h"

namespace quorvix {

class clsOutputDriver {
 public:
  static constexpr std::string_view kPluginName = "Quorvix Transmitter";

  explicit clsOutputDriver(DriverModule& module) : module_(module) {}

  bool Disable();
  bool Enable();
  std::string_view PluginName() const { return kPluginName; }
  bool SetChannel(std::int32_t channel, std::int32_t value);
  bool Configure();
  // `helper` (the host's TrovaPluginHelper) may be null.
  bool Init(std::string_view calling_app_title, std::string_view my_filename,
            std::shared_ptr<HostHelper> helper);
  bool Term();

 private:
  void Trace(std::string_view line);

  DriverModule& module_;
  std::string CallingAppTitle;
  std::string MyFilename;
};

}  // namespace quorvix
