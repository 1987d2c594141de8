#pragma once
// A host for the soak: its own configuration folder with COM1 linked to a
// simulator, the plug-in loaded with dlopen, DMX-In reports kept, message
// boxes counted. A fault that must never happen throws SoakFailure.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/temp_folder.h"
#include "tools/host/sim_process.h"
#include "tools/plugin/plugin_library.h"

namespace quorvix::soak {

class SoakFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Report {
  std::int32_t channel;
  std::uint8_t value;
  bool operator==(const Report&) const = default;
};

struct Paths {
  std::string library;
  std::string sim;
};

class SoakHost {
 public:
  // `settings`: the lines of the plug-in's settings group; `sim_arguments`
  // go to the simulator after its --link.
  SoakHost(const Paths& paths, const std::string& settings,
           const std::vector<std::string>& sim_arguments);
  ~SoakHost();
  SoakHost(const SoakHost&) = delete;
  SoakHost& operator=(const SoakHost&) = delete;

  // Init and Enable; a transmitter that is not ready is a failure.
  void Start();
  // 0 or the error number.
  int SetChannel(std::int32_t channel, std::int32_t value);
  void Pump(std::chrono::milliseconds duration);
  void PumpOnce();

  host::SimProcess& sim() { return *sim_; }
  const std::vector<Report>& reports() const { return reports_; }
  int messages() const { return messages_; }

 private:
  static int OnInvoke(void* context, const char* method, std::int32_t channel,
                      std::uint8_t value);
  static void OnMessage(void* context, int is_error, const char* title,
                        const char* text);

  common::TempFolder folder_{"quorvix-soak"};
  std::unique_ptr<host::SimProcess> sim_;
  std::unique_ptr<host::PluginLibrary> plugin_;
  qvx_driver* driver_ = nullptr;
  std::vector<Report> reports_;
  int messages_ = 0;
};

// Resident memory of this process, in KiB.
long ResidentKiB();

}  // namespace quorvix::soak
