#pragma once
// One driver of the loaded plug-in, with the bridge as its host: trace
// lines, message boxes and DMX-In reports go to a DriverEvents.

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/plugin/plugin_library.h"

namespace quorvix::ola_bridge {

class DriverEvents {
 public:
  virtual ~DriverEvents() = default;
  virtual void OnTrace(std::string_view line) = 0;
  virtual void OnMessage(bool is_error, std::string_view text) = 0;
  virtual void OnInput(std::int32_t channel, std::uint8_t value) = 0;
};

// What a call gave: the error number (0 on success) and its text, or the
// boolean result.
struct Outcome {
  int error = 0;
  std::string error_text;
  bool result = false;
};

class Driver {
 public:
  // Throws std::runtime_error when the plug-in cannot create a driver.
  Driver(host::PluginLibrary& plugin, DriverEvents& events);
  ~Driver();
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  Outcome Init(const std::string& title, const std::string& file_name);
  Outcome Enable();
  Outcome Disable();
  Outcome SetChannel(std::int32_t channel, std::int32_t value);
  Outcome Term();
  // The port's device from now on; the result is true, the port number in
  // `port`.
  Outcome SetPortDevice(const std::string& device, std::int32_t& port);
  // Throws std::runtime_error with the plug-in's text on failure.
  qvx_line_status LineStatus();

 private:
  Outcome Finish(int error, qvx_bool result) const;
  static int Invoke(void* context, const char* method, std::int32_t channel,
                    std::uint8_t value);
  static void Trace(void* context, const char* line);
  static void Message(void* context, int is_error, const char* title,
                      const char* text);

  host::PluginLibrary& plugin_;
  DriverEvents& events_;
  qvx_driver* driver_;
};

}  // namespace quorvix::ola_bridge
