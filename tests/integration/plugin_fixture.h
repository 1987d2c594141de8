#pragma once
// A test host: its own temporary XDG_CONFIG_HOME with COM ports linked to
// simulators, the plug-in loaded with dlopen, and every trace line, message
// box and DMX-In report captured.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/temp_folder.h"
#include "tools/host/sim_process.h"
#include "tools/plugin/plugin_library.h"

namespace quorvix::test {

struct Message {
  bool is_error;
  std::string title;
  std::string text;
};

struct Report {
  std::int32_t channel;
  std::uint8_t value;
  bool operator==(const Report&) const = default;
};

class PluginFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.emplace("quorvix-it");
    config_ = folder_->path();
    setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
    std::filesystem::create_directories(config_ / "quorvix" / "ports");
    plugin_ = std::make_unique<host::PluginLibrary>(QUORVIX_LIBRARY);
    plugin_->set_trace(&PluginFixture::OnTrace, this);
    plugin_->set_message_box(&PluginFixture::OnMessage, this);
    driver_ = plugin_->create();
    ASSERT_NE(driver_, nullptr) << plugin_->last_error();
  }

  void TearDown() override {
    if (plugin_) {
      // The library keeps the helper (this fixture) until Term lets it go.
      qvx_bool ignored = 0;
      plugin_->Term(driver_, &ignored);
      plugin_->destroy(driver_);
      plugin_->set_trace(nullptr, nullptr);
      plugin_->set_message_box(nullptr, nullptr);
    }
    sims_.clear();
    folder_.reset();
  }

  std::filesystem::path PortLink(int port) const {
    return config_ / "quorvix" / "ports" / ("COM" + std::to_string(port));
  }
  std::filesystem::path SettingsFile(const std::string& title) const {
    return config_ / "quorvix" / (title + ".ini");
  }
  std::filesystem::path SimLog(int port) const {
    return config_ / ("sim-COM" + std::to_string(port) + ".log");
  }

  // Starts a simulator behind COM<port>, logging to SimLog(port).
  host::SimProcess& StartSim(int port,
                             std::vector<std::string> arguments = {}) {
    arguments.insert(arguments.begin(), {"--link", PortLink(port).string(),
                                         "--log", SimLog(port).string()});
    sims_.push_back(std::make_unique<host::SimProcess>(QUORVIX_SIM, arguments));
    return *sims_.back();
  }

  // The same, with COM<port> linked to the simulator's stable name as a user
  // links an adapter's /dev/serial/by-id name: a "vanish" removes only the
  // stable name, so the port's link dangles as it does for a pulled adapter
  // (and COM<port> never falls back to /dev/ttyS<port-1>).
  host::SimProcess& StartSimByStableName(int port) {
    const std::filesystem::path stable =
        config_ / "by-id" / ("usb-sim-COM" + std::to_string(port));
    std::filesystem::create_directories(stable.parent_path());
    std::filesystem::create_symlink(stable, PortLink(port));
    sims_.push_back(std::make_unique<host::SimProcess>(
        QUORVIX_SIM, std::vector<std::string>{"--link", stable.string(),
                                              "--log", SimLog(port).string()}));
    return *sims_.back();
  }

  // A simulator reached only through the stable name it returns, which no
  // port links to yet.
  std::filesystem::path StartUnlinkedSim(const std::string& name) {
    const std::filesystem::path stable = config_ / "by-id" / name;
    std::filesystem::create_directories(stable.parent_path());
    sims_.push_back(std::make_unique<host::SimProcess>(
        QUORVIX_SIM, std::vector<std::string>{"--link", stable.string()}));
    return stable;
  }

  void WriteSettings(const std::string& title, const std::string& file_name,
                     const std::string& lines) {
    std::ofstream(SettingsFile(title)) << "[Plugins\\" << file_name << "]\n"
                                       << lines;
  }

  std::string ReadFile(const std::filesystem::path& path) const {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }

  // Each call: the error number (0 on success); results land in result_.
  int Init(const std::string& title, const std::string& file_name,
           bool with_helper = true) {
    const qvx_helper helper{this, &PluginFixture::OnInvoke,
                            &PluginFixture::OnRelease};
    return plugin_->Init(driver_, title.c_str(), file_name.c_str(),
                         with_helper ? &helper : nullptr, &result_);
  }
  int Enable() { return plugin_->Enable(driver_, &result_); }
  int Disable() { return plugin_->Disable(driver_, &result_); }
  int Term() { return plugin_->Term(driver_, &result_); }
  int SetChannel(std::int32_t channel, std::int32_t value) {
    return plugin_->SetChannel(driver_, channel, value, &result_);
  }

  // Runs the plug-in's events for about `milliseconds`.
  void Pump(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) plugin_->pump(5);
  }

  std::size_t CountTrace(const std::string& line) const {
    std::size_t count = 0;
    for (const std::string& traced : trace_) count += traced == line ? 1 : 0;
    return count;
  }

  std::unique_ptr<host::PluginLibrary> plugin_;
  qvx_driver* driver_ = nullptr;
  qvx_bool result_ = 0;
  std::vector<std::string> trace_;
  std::vector<Message> messages_;
  std::vector<Report> reports_;
  // Runs inside the host's Trova_DMXIn_SetChannel, after the report is kept.
  std::function<void(const Report&)> on_report_;
  int helper_releases_ = 0;

  static void OnTrace(void* context, const char* line) {
    static_cast<PluginFixture*>(context)->trace_.emplace_back(line);
  }

 private:
  static void OnMessage(void* context, int is_error, const char* title,
                        const char* text) {
    static_cast<PluginFixture*>(context)->messages_.push_back(
        {is_error != 0, title, text});
  }
  static int OnInvoke(void* context, const char* method, std::int32_t channel,
                      std::uint8_t value) {
    if (std::string(method) != "Trova_DMXIn_SetChannel") return 438;
    auto* self = static_cast<PluginFixture*>(context);
    self->reports_.push_back({channel, value});
    if (self->on_report_) self->on_report_(self->reports_.back());
    return 0;
  }
  static void OnRelease(void* context) {
    ++static_cast<PluginFixture*>(context)->helper_releases_;
  }

  std::optional<common::TempFolder> folder_;
  std::filesystem::path config_;
  std::vector<std::unique_ptr<host::SimProcess>> sims_;
};

}  // namespace quorvix::test
