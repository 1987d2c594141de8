#include "soak_host.h"

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace quorvix::soak {

SoakHost::SoakHost(const Paths& paths, const std::string& settings,
                   const std::vector<std::string>& sim_arguments) {
  ::setenv("XDG_CONFIG_HOME", folder_.path().c_str(), 1);
  const auto config = folder_.path() / "quorvix";
  std::filesystem::create_directories(config / "ports");
  std::ofstream(config / "Soak.ini") << "[Plugins\\libquorvix.so]\n"
                                     << settings;
  std::vector<std::string> arguments = {"--link",
                                        (config / "ports" / "COM1").string()};
  arguments.insert(arguments.end(), sim_arguments.begin(), sim_arguments.end());
  sim_ = std::make_unique<host::SimProcess>(paths.sim, arguments);
  plugin_ = std::make_unique<host::PluginLibrary>(paths.library);
  plugin_->set_message_box(&SoakHost::OnMessage, this);
  driver_ = plugin_->create();
  if (driver_ == nullptr) throw SoakFailure(plugin_->last_error());
}

SoakHost::~SoakHost() {
  qvx_bool ignored = 0;
  plugin_->Term(driver_, &ignored);
  plugin_->destroy(driver_);
  plugin_->set_message_box(nullptr, nullptr);
}

void SoakHost::Start() {
  const qvx_helper helper{this, &SoakHost::OnInvoke, nullptr};
  qvx_bool result = 0;
  if (plugin_->Init(driver_, "Soak", "libquorvix.so", &helper, &result) != 0 ||
      plugin_->Enable(driver_, &result) != 0 || result == 0) {
    throw SoakFailure(std::string("the transmitter is not ready: ") +
                      plugin_->last_error());
  }
}

int SoakHost::SetChannel(std::int32_t channel, std::int32_t value) {
  qvx_bool sent = 0;
  const int rc = plugin_->SetChannel(driver_, channel, value, &sent);
  if (rc == 0 && sent == 0) throw SoakFailure("SetChannel sent nothing");
  return rc;
}

void SoakHost::Pump(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < end) plugin_->pump(2);
}

void SoakHost::PumpOnce() { plugin_->pump(0); }

int SoakHost::OnInvoke(void* context, const char* method, std::int32_t channel,
                       std::uint8_t value) {
  if (std::string(method) != "Trova_DMXIn_SetChannel") return 438;
  static_cast<SoakHost*>(context)->reports_.push_back({channel, value});
  return 0;
}

void SoakHost::OnMessage(void* context, int, const char*, const char*) {
  ++static_cast<SoakHost*>(context)->messages_;
}

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace quorvix::soak
