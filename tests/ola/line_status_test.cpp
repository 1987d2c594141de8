// qvx_LineStatus, the read-only view a host paces and takes input by:
// loaded with dlopen like every host, with its own settings folder. Each
// case needs a process of its own (the state belongs to the loaded library),
// as ctest runs them.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "quorvix.h"
#include "tools/plugin/plugin_library.h"

namespace {

class LineStatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = "/tmp/quorvix-line-status-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    config_ = pattern;
    setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
    std::filesystem::create_directories(config_ / "quorvix");
    plugin_ = std::make_unique<quorvix::host::PluginLibrary>(QUORVIX_LIBRARY);
    init_ = plugin_->Init;
    term_ = plugin_->Term;
    status_ = plugin_->LineStatus;
    last_error_ = plugin_->last_error;
    driver_ = plugin_->create();
    ASSERT_NE(driver_, nullptr);
  }

  void TearDown() override {
    qvx_bool ignored = 0;
    if (term_ != nullptr && driver_ != nullptr) term_(driver_, &ignored);
    plugin_.reset();
    std::error_code error;
    std::filesystem::remove_all(config_, error);
  }

  int Init(const std::string& settings) {
    std::ofstream(config_ / "quorvix" / "Status Host.ini")
        << "[Plugins\\libquorvix.so]\n"
        << settings;
    qvx_bool result = 0;
    return init_(driver_, "Status Host", "libquorvix.so", nullptr, &result);
  }

  std::filesystem::path config_;
  std::unique_ptr<quorvix::host::PluginLibrary> plugin_;
  decltype(&qvx_Init) init_ = nullptr;
  decltype(&qvx_Term) term_ = nullptr;
  decltype(&qvx_LineStatus) status_ = nullptr;
  decltype(&qvx_last_error) last_error_ = nullptr;
  qvx_driver* driver_ = nullptr;
};

TEST_F(LineStatusTest, ShowsTheSettingsInForceAfterInit) {
  ASSERT_EQ(Init("ComSettings=57600,e,7,2\nDMXInActive=True\n"
                 "DMXInChannels=20\nDMXInInterval=75\n"),
            0)
      << last_error_();
  qvx_line_status status{};
  ASSERT_EQ(status_(driver_, &status), 0) << last_error_();
  EXPECT_EQ(status.baud_rate, 57600);
  EXPECT_EQ(status.dmx_in_active, -1);
  EXPECT_EQ(status.dmx_in_channels, 20);
  EXPECT_EQ(status.dmx_in_interval_ms, 75);
  EXPECT_EQ(status.transmitter_ready, 0);  // no Enable yet

  ASSERT_EQ(Init("ComSettings=19200,n,8,1\nDMXInActive=False\n"), 0);
  ASSERT_EQ(status_(driver_, &status), 0) << last_error_();
  EXPECT_EQ(status.baud_rate, 19200);
  EXPECT_EQ(status.dmx_in_active, 0);
}

TEST_F(LineStatusTest, RefusesBeforeInitANullResultAndAnotherThread) {
  qvx_line_status status{};
  status.baud_rate = 123;
  EXPECT_EQ(status_(driver_, &status), 5);
  EXPECT_NE(std::string(last_error_()).find("call qvx_Init first"),
            std::string::npos)
      << last_error_();
  EXPECT_EQ(status.baud_rate, 123);  // untouched on failure

  ASSERT_EQ(Init(""), 0) << last_error_();
  EXPECT_EQ(status_(driver_, nullptr), 5);
  EXPECT_NE(std::string(last_error_()).find("result pointer is NULL"),
            std::string::npos)
      << last_error_();
  EXPECT_EQ(status_(nullptr, &status), 5);

  int from_other_thread = 0;
  std::string text;
  std::thread([&] {
    from_other_thread = status_(driver_, &status);
    text = last_error_();
  }).join();
  EXPECT_EQ(from_other_thread, 5);
  EXPECT_NE(text.find("another thread"), std::string::npos) << text;
}

}  // namespace
