#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "link/timer.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

class TimerTest : public ::testing::Test {
 protected:
  // Milliseconds since the loop started, one entry per tick.
  std::vector<long> ticks;
  fake::FakeEventLoop loop;
  Timer timer{loop, 50, [this] { OnTick(); }};
  std::function<void()> during_tick;

  void OnTick() {
    ticks.push_back(
        static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                              loop.Now() - fake::FakeEventLoop::kStartTime)
                              .count()));
    if (during_tick) during_tick();
  }
};

TEST_F(TimerTest, StartsDisabledWithItsInterval) {
  EXPECT_EQ(timer.Interval(), 50);
  EXPECT_FALSE(timer.Enabled());
  EXPECT_FALSE(timer.Running());
  loop.RunFor(1s);
  EXPECT_TRUE(ticks.empty());
}

TEST_F(TimerTest, TicksOnTheBeatOfItsIntervalWhileEnabled) {
  timer.SetEnabled(true);
  EXPECT_TRUE(timer.Running());
  loop.RunFor(200ms);
  EXPECT_EQ(ticks, (std::vector<long>{50, 100, 150, 200}));

  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Running());
  loop.RunFor(1s);
  EXPECT_EQ(ticks.size(), 4u);
  EXPECT_EQ(loop.ActiveTimers(), 0u);
}

TEST_F(TimerTest, IntervalZeroNeverTicks) {
  timer.SetInterval(0);
  timer.SetEnabled(true);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_FALSE(timer.Running());
  loop.RunFor(1s);
  EXPECT_TRUE(ticks.empty());

  timer.SetInterval(100);  // enabled all along: starts now
  EXPECT_TRUE(timer.Running());
  loop.RunFor(250ms);
  EXPECT_EQ(ticks, (std::vector<long>{1100, 1200}));
}

TEST_F(TimerTest, RefusesIntervalsOutsideSixteenUnsignedBits) {
  for (const std::int64_t bad :
       {std::int64_t{-1}, std::int64_t{65536}, std::int64_t{1} << 40}) {
    EXPECT_EQ(Caught([&] { timer.SetInterval(bad); }).number(),
              kInvalidPropertyValue)
        << bad;
    EXPECT_EQ(timer.Interval(), 50);
  }
  timer.SetInterval(65535);
  EXPECT_EQ(timer.Interval(), 65535);
}

TEST_F(TimerTest, NewIntervalRestartsTheBeatOfARunningTimer) {
  timer.SetEnabled(true);
  loop.RunFor(30ms);
  timer.SetInterval(100);
  loop.RunFor(300ms);
  EXPECT_EQ(ticks, (std::vector<long>{130, 230, 330}));
  EXPECT_EQ(loop.ActiveTimers(), 1u);
}

TEST_F(TimerTest, BeatsMissedDuringALongTickAreSkippedNotQueued) {
  during_tick = [this] { loop.Sleep(120ms); };
  timer.SetEnabled(true);
  loop.RunFor(400ms);
  EXPECT_EQ(ticks, (std::vector<long>{50, 200, 350}));
}

TEST_F(TimerTest, TickThatPumpsDoesNotRunItselfAgain) {
  int depth = 0;
  int deepest = 0;
  during_tick = [&] {
    ++depth;
    deepest = std::max(deepest, depth);
    loop.Sleep(70ms);    // the next beat falls due ...
    loop.PumpPending();  // ... but must not nest
    --depth;
  };
  timer.SetEnabled(true);
  loop.RunFor(300ms);
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(ticks, (std::vector<long>{50, 150, 250}));
}

TEST_F(TimerTest, TickMayStopItsOwnTimer) {
  during_tick = [this] { timer.SetEnabled(false); };
  timer.SetEnabled(true);
  loop.RunFor(500ms);
  EXPECT_EQ(ticks, (std::vector<long>{50}));
  EXPECT_FALSE(timer.Enabled());
}

}  // namespace
}  // namespace quorvix::test
