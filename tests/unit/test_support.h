#pragma once
// Shared pieces of the unit tests: byte strings, caught errors and a driver
// wired to the fake platform.

#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/clsOutputDriver.h"
#include "core/driver_module.h"
#include "platform/error.h"
#include "testing/fake/fake_helper.h"
#include "testing/fake/fake_platform.h"

namespace quorvix::test {

using namespace std::chrono_literals;

inline std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (const int b : bytes) out.push_back(static_cast<char>(b));
  return out;
}

// The Error a call throws; a test failure when it throws none.
template <typename Call>
Error Caught(Call&& call) {
  try {
    call();
  } catch (const Error& error) {
    return error;
  }
  ADD_FAILURE() << "expected a quorvix::Error";
  return Error(0, "nothing thrown");
}

inline constexpr std::string_view kTitle = "Lichtpult 2000";
inline constexpr std::string_view kFile = "Quorvix.dll";
inline constexpr std::string_view kSection = "Plugins\\Quorvix.dll";

inline constexpr std::string_view kSlowLineText =
    "Achtung:\r\n"
    "Die \xC3\x9C"
    "bertragung zum DMX-Transmitter l\xC3\xA4uft mit weniger als 38 400 "
    "Baud.\r\n"
    "Dies kann zu ungenauen Fade-Zeiten f\xC3\xBChren.";

class DriverTest : public ::testing::Test {
 protected:
  void Store(std::string_view key, std::string_view value) {
    fake.store.Set(kTitle, kSection, key, value);
  }
  std::optional<std::string> Stored(std::string_view key) const {
    return fake.store.Get(kTitle, kSection, key);
  }

  bool Init(std::shared_ptr<HostHelper> helper = nullptr) {
    return driver.Init(kTitle, kFile, std::move(helper));
  }

  // The transmitter answers every handshake query with `reply`.
  void TransmitterAnswers(std::vector<fake::ReplyPiece> reply) {
    fake.serial.OnWrite("c?", std::move(reply));
  }

  // Init and a successful Enable at full speed; the logs start empty after.
  void StartReady(std::string_view settings = "38400,n,8,1") {
    Store("ComSettings", settings);
    Init();
    TransmitterAnswers({fake::InPump(1, "G")});
    ASSERT_TRUE(driver.Enable());
    ForgetHistory();
  }

  void ForgetHistory() {
    fake.trace.Clear();
    fake.messages.Clear();
    fake.serial.ClearWrites();
    fake.store.ClearLogs();
    fake.events.ResetCounters();
  }

  frmMain& window() { return module.MainWindow(); }
  modMain& state() { return module.state(); }
  const std::vector<std::string>& trace() const { return fake.trace.lines(); }

  fake::FakePlatform fake;
  DriverModule module{fake.platform};
  clsOutputDriver driver{module};
};

}  // namespace quorvix::test
