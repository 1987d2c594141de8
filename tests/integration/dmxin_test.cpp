// DMX input end to end: the simulator's input universe changes while the
// plug-in polls it; what reaches the host is checked against the replies
// the simulator actually sent.

#include <algorithm>
#include <array>
#include <chrono>
#include <random>

#include "plugin_fixture.h"
#include "sim_log.h"

namespace quorvix::test {
namespace {

constexpr int kChannels = 8;

class DMXInTest : public PluginFixture {
 protected:
  void StartPolling(int interval_ms) {
    WriteSettings("Host", "q.so",
                  "ComSettings=38400,n,8,1\nDMXInActive=True\nDMXInChannels=" +
                      std::to_string(kChannels) +
                      "\nDMXInInterval=" + std::to_string(interval_ms) + "\n");
    sim_ = &StartSim(1);
    ASSERT_EQ(Init("Host", "q.so"), 0) << plugin_->last_error();
    ASSERT_EQ(Enable(), 0) << plugin_->last_error();
    ASSERT_EQ(result_, -1);
  }

  // What the host must have heard, given the replies the simulator sent:
  // every value that differs from the one reported before, ascending within
  // each reply.
  std::vector<Report> ExpectedReports(
      std::array<std::uint8_t, kChannels + 1>& reported) {
    std::vector<Report> expected;
    for (const Bytes& reply : LoggedBytes(SimLog(1), "reply dmxin")) {
      EXPECT_EQ(reply.size(), static_cast<std::size_t>(kChannels + 1));
      for (int channel = 1;
           channel <= kChannels && channel <= static_cast<int>(reply.size());
           ++channel) {
        const std::uint8_t value = reply[channel - 1];
        if (value != reported[channel]) {
          expected.push_back({channel, value});
          reported[channel] = value;
        }
      }
    }
    return expected;
  }

  host::SimProcess* sim_ = nullptr;
};

TEST_F(DMXInTest, EveryPolledChangeReachesTheHostExactlyOnce) {
  StartPolling(25);
  std::mt19937 random(99);
  std::uniform_int_distribution<int> channel(1, kChannels);
  std::uniform_int_distribution<int> value(0, 255);
  std::uniform_int_distribution<int> pause(0, 12);
  for (int i = 0; i < 1000; ++i) {
    const std::string answer =
        sim_->Command("in " + std::to_string(channel(random)) + " " +
                      std::to_string(value(random)));
    ASSERT_EQ(answer.rfind("ok", 0), 0u) << answer;
    Pump(pause(random));
  }
  Pump(200);
  ASSERT_EQ(Disable(), 0);

  std::array<std::uint8_t, kChannels + 1> reported{};
  const std::vector<Report> expected = ExpectedReports(reported);
  EXPECT_GT(LoggedBytes(SimLog(1), "reply dmxin").size(), 100u);
  EXPECT_GT(expected.size(), 500u);
  EXPECT_EQ(reports_, expected);
  EXPECT_EQ(CountTrace("[Quorvix] Checking DMX-In..."),
            LoggedBytes(SimLog(1), "reply dmxin").size());
}

TEST_F(DMXInTest, AfterDisableAndEnableOnlyWhatChangedMeanwhileIsReported) {
  StartPolling(25);
  sim_->Command("in 1 10");
  sim_->Command("in 2 20");
  sim_->Command("in 3 30");
  Pump(150);
  EXPECT_EQ(reports_, (std::vector<Report>{{1, 10}, {2, 20}, {3, 30}}));

  ASSERT_EQ(Disable(), 0);
  sim_->Command("in 2 21");
  sim_->Command("in 3 31");
  sim_->Command("in 3 30");  // back where it was last reported
  Pump(150);
  EXPECT_EQ(reports_.size(), 3u) << "nothing is polled while disabled";

  reports_.clear();
  ASSERT_EQ(Enable(), 0);
  Pump(150);
  EXPECT_EQ(reports_, (std::vector<Report>{{2, 21}}));
}

TEST_F(DMXInTest, RealSpeedLineStillDeliversEveryChange) {
  StartPolling(50);
  ASSERT_EQ(sim_->Command("baud 38400").rfind("ok", 0), 0u);
  sim_->Command("ramp 4 0 40 10");
  Pump(700);
  ASSERT_EQ(Disable(), 0);
  std::array<std::uint8_t, kChannels + 1> reported{};
  const std::vector<Report> expected = ExpectedReports(reported);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(reports_, expected);
  EXPECT_EQ(reports_.back(), (Report{4, 40}));
}

TEST_F(DMXInTest, InputKeepsComingWhileTheHostFloodsTheLine) {
  StartPolling(25);
  ASSERT_EQ(sim_->Command("baud 38400").rfind("ok", 0), 0u);
  // A step every 30 ms: 255 steps in 7.65 s, all within the flood.
  ASSERT_EQ(sim_->Command("ramp 6 0 255 30"), "ok ramp 6 0 255 30");
  // Ten times what the line carries, for 10 s; the host runs its events
  // between calls as a host's message loop would.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
    ASSERT_EQ(SetChannel(i % 512 + 1, i % 256), 0) << plugin_->last_error();
    plugin_->pump(0);
  }
  const std::size_t during_flood = reports_.size();
  Pump(300);
  ASSERT_EQ(Disable(), 0);

  std::array<std::uint8_t, kChannels + 1> reported{};
  const std::vector<Report> expected = ExpectedReports(reported);
  EXPECT_EQ(reports_, expected);  // each once, in order
  ASSERT_FALSE(reports_.empty());
  EXPECT_EQ(reports_.back(), (Report{6, 255}));
  EXPECT_TRUE(std::is_sorted(
      reports_.begin(), reports_.end(),
      [](const Report& a, const Report& b) { return a.value < b.value; }));
  EXPECT_GT(during_flood, 100u) << "input reports stopped during the flood";
}

TEST_F(DMXInTest, HostCallsInsideAReportTakeEffectSafely) {
  StartPolling(25);
  // A SetChannel from inside a report does not cut the report loop short.
  on_report_ = [this](const Report& report) {
    if (report.channel == 1) {
      EXPECT_EQ(SetChannel(100, 7), 0);
    }
  };
  sim_->Command("in 1 1");
  sim_->Command("in 5 5");
  Pump(150);
  EXPECT_EQ(reports_, (std::vector<Report>{{1, 1}, {5, 5}}));

  // Term and destroying the driver inside a report: the helper is let go
  // once, after the call, and nothing is reported afterwards.
  on_report_ = [this](const Report&) {
    EXPECT_EQ(Term(), 0);
    plugin_->destroy(driver_);
  };
  sim_->Command("in 2 2");
  sim_->Command("in 3 3");
  Pump(150);
  on_report_ = nullptr;
  EXPECT_EQ(helper_releases_, 1);
  EXPECT_EQ(reports_.back(), (Report{2, 2}));
  const std::size_t reported = reports_.size();
  sim_->Command("in 4 4");
  Pump(150);
  EXPECT_EQ(reports_.size(), reported);
  driver_ = plugin_->create();
}

}  // namespace
}  // namespace quorvix::test
