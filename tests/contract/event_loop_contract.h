#pragma once
// What every EventLoop keeps, written once and run against each back end.
// A back end's harness owns its loop and can make an event pending the
// way that back end's own sources would:
//
//   struct Harness {
//     EventLoop& loop();
//     void Post(std::function<void()> event);  // pending from now on
//   };
//
// Instantiate with INSTANTIATE_TYPED_TEST_SUITE_P(Name, EventLoopContract,
// ::testing::Types<Harness>).

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/event_loop.h"

namespace quorvix::contract {

template <typename Harness>
class EventLoopContract : public ::testing::Test {
 protected:
  EventLoop& loop() { return harness_.loop(); }
  void Post(std::function<void()> event) { harness_.Post(std::move(event)); }

  // Waits until `done`, or gives up after a generous while; the cases check
  // what happened, never how long it took.
  template <typename Done>
  void WaitUntil(Done done) {
    const auto give_up = loop().Now() + std::chrono::seconds(10);
    while (!done() && loop().Now() < give_up) loop().WaitAndPump(give_up);
  }

  Harness harness_;
};

TYPED_TEST_SUITE_P(EventLoopContract);

// The waits that pump (handshake, poll) rely on this: a pump runs what was
// waiting when it started, then returns, even while events keep coming.
TYPED_TEST_P(EventLoopContract, PumpRunsWhatWasPendingAndNothingItSetOff) {
  std::string runs;
  std::function<void()> again = [&] {
    runs += 'f';
    this->Post(again);  // a source that is ready again at once
  };
  this->Post([&] {
    runs += 'a';
    this->Post([&] { runs += 'c'; });
  });
  this->Post([&] { runs += 'b'; });
  this->Post(again);
  this->loop().PumpPending();
  EXPECT_EQ(runs, "abf");
  this->loop().PumpPending();
  EXPECT_EQ(runs, "abfcf");
}

TYPED_TEST_P(EventLoopContract, WaitRunsWhatIsPendingAtOnceElseUntilItsDeadline) {
  bool ran = false;
  this->Post([&] { ran = true; });
  const auto start = this->loop().Now();
  this->loop().WaitAndPump(start + std::chrono::hours(1));
  EXPECT_TRUE(ran);
  EXPECT_LT(this->loop().Now(), start + std::chrono::hours(1));

  const auto deadline = this->loop().Now() + std::chrono::milliseconds(30);
  this->loop().WaitAndPump(deadline);
  EXPECT_GE(this->loop().Now(), deadline);
}

TYPED_TEST_P(EventLoopContract, SleepRunsNothing) {
  bool ran = false;
  this->Post([&] { ran = true; });
  this->loop().Sleep(std::chrono::milliseconds(5));
  EXPECT_FALSE(ran);
  this->loop().PumpPending();
  EXPECT_TRUE(ran);
}

// A tick that falls due while the previous one still runs (it pumps) is
// skipped, not nested; destroying the timer ends the ticks.
TYPED_TEST_P(EventLoopContract, TimerTicksWithoutNestingUntilDestroyed) {
  int ticks = 0;
  int deepest = 0;
  int depth = 0;
  auto timer = this->loop().StartTimer(std::chrono::milliseconds(10), [&] {
    ++ticks;
    deepest = std::max(deepest, ++depth);
    if (ticks == 1) {
      this->loop().WaitAndPump(this->loop().Now() +
                               std::chrono::milliseconds(35));
    }
    --depth;
  });
  this->WaitUntil([&] { return ticks >= 3; });
  EXPECT_GE(ticks, 3);
  EXPECT_EQ(deepest, 1);
  timer.reset();
  const int stopped_at = ticks;
  this->loop().WaitAndPump(this->loop().Now() + std::chrono::milliseconds(50));
  EXPECT_EQ(ticks, stopped_at);
}

REGISTER_TYPED_TEST_SUITE_P(EventLoopContract,
                            PumpRunsWhatWasPendingAndNothingItSetOff,
                            WaitRunsWhatIsPendingAtOnceElseUntilItsDeadline,
                            SleepRunsNothing,
                            TimerTicksWithoutNestingUntilDestroyed);

}  // namespace quorvix::contract
