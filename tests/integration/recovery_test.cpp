// The adapter pulled and plugged back while the host keeps sending: the
// driver lets go of the dead device at once and carries on by itself once
// the simulator's fresh line is behind the same link.
#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>

#include "plugin_fixture.h"

namespace quorvix::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kBack = "[Quorvix] COM1: device back";

class RecoveryTest : public PluginFixture {
 protected:
  // Descriptors of this process open on `device`, also once it is gone
  // ("... (deleted)").
  static int OpenOn(const std::string& device) {
    int count = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
      std::error_code ignored;
      const std::string target =
          std::filesystem::read_symlink(entry.path(), ignored);
      count += target == device || target == device + " (deleted)";
    }
    return count;
  }

  // Pulls the adapter and waits until the driver has noticed.
  void Unplug(host::SimProcess& sim) {
    ASSERT_EQ(sim.Command("vanish"), "ok vanish");
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (OpenOn(sim.pty_path()) > 0 && Clock::now() < end) Pump(10);
  }
};

TEST_F(RecoveryTest, ReplugCarriesOnWithoutDisableAndEnable) {
  WriteSettings("Host", "q.so", "ComSettings=38400,n,8,1\n");
  host::SimProcess& sim = StartSimByStableName(1);
  ASSERT_EQ(Init("Host", "q.so"), 0);
  ASSERT_EQ(Enable(), 0);
  ASSERT_EQ(result_, -1);
  ASSERT_EQ(SetChannel(1, 10), 0);
  EXPECT_EQ(OpenOn(sim.pty_path()), 1);

  Unplug(sim);
  EXPECT_EQ(OpenOn(sim.pty_path()), 0) << "the dead device stays open";
  EXPECT_EQ(SetChannel(2, 20), 8020);

  const std::string answer = sim.Command("replug");
  ASSERT_EQ(answer.rfind("ok replug ", 0), 0u) << answer;
  const auto replugged = Clock::now();
  int rc = -1;
  // A host sending a frame every 10 ms; bounded only against a hang.
  while (rc != 0 && Clock::now() - replugged < std::chrono::seconds(5)) {
    rc = SetChannel(3, 30);
    if (rc != 0) Pump(10);
  }
  ASSERT_EQ(rc, 0) << plugin_->last_error();
  std::cout << "replug to first frame: "
            << std::chrono::duration_cast<std::chrono::milliseconds>(
                   Clock::now() - replugged)
                   .count()
            << " ms\n";
  EXPECT_EQ(sim.Command("out 3"), "ok out 3 30");
  EXPECT_EQ(sim.Command("out 1"), "ok out 1 10");
  EXPECT_EQ(SetChannel(4, 40), 0);
  EXPECT_EQ(sim.Command("out 4"), "ok out 4 40");
  EXPECT_EQ(CountTrace(kBack), 1u);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(RecoveryTest, APowerCycledTransmitterGetsItsUniverseBackAtTheFirstFrame) {
  WriteSettings("Host", "q.so", "ComSettings=38400,n,8,1\n");
  host::SimProcess& sim = StartSimByStableName(1);
  ASSERT_EQ(Init("Host", "q.so"), 0);
  ASSERT_EQ(Enable(), 0);
  ASSERT_EQ(result_, -1);
  for (const auto& [channel, value] :
       {std::pair{1, 10}, {7, 70}, {512, 255}, {7, 71}}) {
    ASSERT_EQ(SetChannel(channel, value), 0);
  }
  Unplug(sim);
  Pump(1500);  // quiet: nothing written while the device is gone
  ASSERT_EQ(sim.Command("replug reset").rfind("ok replug ", 0), 0u);
  ASSERT_EQ(sim.Command("out 7"), "ok out 7 0");

  EXPECT_EQ(SetChannel(2, 20), 0) << plugin_->last_error();
  for (const auto& [channel, value] :
       {std::pair{1, 10}, {2, 20}, {3, 0}, {7, 71}, {512, 255}}) {
    EXPECT_EQ(sim.Command("out " + std::to_string(channel)),
              "ok out " + std::to_string(channel) + " " + std::to_string(value));
  }
  EXPECT_EQ(CountTrace("[Quorvix] COM1: resent 3 channels"), 1u);
}

TEST_F(RecoveryTest, PollingResumesAfterReplug) {
  WriteSettings("Host", "q.so",
                "ComSettings=38400,n,8,1\nDMXInActive=True\n"
                "DMXInChannels=4\nDMXInInterval=50\n");
  host::SimProcess& sim = StartSimByStableName(1);
  ASSERT_EQ(Init("Host", "q.so"), 0);
  ASSERT_EQ(Enable(), 0);
  ASSERT_EQ(sim.Command("in 1 5"), "ok in 1 5");
  Pump(300);
  ASSERT_EQ(reports_, (std::vector<Report>{{1, 5}}));

  Unplug(sim);
  Pump(300);
  ASSERT_EQ(sim.Command("replug").rfind("ok replug ", 0), 0u);
  ASSERT_EQ(sim.Command("in 2 6"), "ok in 2 6");
  const auto end = Clock::now() + std::chrono::seconds(5);
  while (reports_.size() < 2 && Clock::now() < end) Pump(10);
  Pump(200);
  EXPECT_EQ(reports_, (std::vector<Report>{{1, 5}, {2, 6}}));
  EXPECT_EQ(CountTrace(kBack), 1u);
}

}  // namespace
}  // namespace quorvix::test
