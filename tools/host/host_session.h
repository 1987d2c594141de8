#pragma once
// One host's view of the plug-in: a driver, a helper that prints every DMX-In
// report, and printing of trace lines and message boxes.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/plugin/plugin_library.h"

namespace quorvix::host {

struct DMXInReport {
  std::int32_t channel;
  std::uint8_t value;
};

class HostSession {
 public:
  HostSession(PluginLibrary& plugin, std::ostream& out, bool show_trace);
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Each prints "<Operation> -> <result>" or "<Operation> failed: error N:
  // text" and returns false on failure. An Enable that answers False (no
  // port, no transmitter) counts as a failure too.
  bool Init(const std::string& title, const std::string& file_name);
  bool Enable();
  bool Disable();
  bool SetChannel(std::int32_t channel, std::int32_t value, bool quiet = false);
  bool Configure();
  bool Term();
  bool PluginName();
  // The driver's port is `device` from now on (qvx_set_port_device).
  bool SetPortDevice(const std::string& device);

  // Whether every trace line is printed from now on; without, only those
  // about the port (why it did not open, a device gone or back).
  void ShowTrace(bool show);
  // Whether any call has failed so far.
  bool AnyFailed() const { return any_failed_; }
  // Message boxes are the plug-in's own from now on (a window where it
  // shows one), not printed lines.
  void LeaveBoxesToPlugin();

  // Runs the plug-in's events for `milliseconds` (DMX-In reports arrive here).
  void Pump(int milliseconds);

  // Reports printed so far, oldest first.
  const std::vector<DMXInReport>& reports() const { return reports_; }
  // Called for each report as it arrives, after it is printed.
  void OnReport(std::function<void(const DMXInReport&)> callback);

 private:
  bool Check(const char* operation, int rc, const std::string& result);
  // The operations without arguments that answer a boolean.
  bool Call(const char* operation, int (*entry_point)(qvx_driver*, qvx_bool*));
  static int Invoke(void* context, const char* method, std::int32_t channel,
                    std::uint8_t value);
  static void Release(void* context);
  static void PrintTrace(void* context, const char* line);
  static void PrintPortTrace(void* context, const char* line);
  static void PrintMessage(void* context, int is_error, const char* title,
                           const char* text);

  PluginLibrary& plugin_;
  std::ostream& out_;
  qvx_driver* driver_ = nullptr;
  std::vector<DMXInReport> reports_;
  std::function<void(const DMXInReport&)> on_report_;
  bool any_failed_ = false;
};

}  // namespace quorvix::host
