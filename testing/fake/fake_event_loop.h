#pragma once
// A deterministic event loop for tests: a manual clock, a queue of posted
// events and timers that fall due on that clock. Nothing ever really waits.
//
// Pending events run in the order of their due time (the posting time for
// events without one), ties in posting order; due timer ticks run after them.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/event_loop.h"

namespace quorvix::fake {

class FakeEventLoop final : public EventLoop {
 public:
  // Far from the clock's epoch, so that a test may look back in time.
  static constexpr Clock::time_point kStartTime{std::chrono::hours(24)};

  FakeEventLoop() = default;
  FakeEventLoop(const FakeEventLoop&) = delete;
  FakeEventLoop& operator=(const FakeEventLoop&) = delete;

  void PumpPending() override;
  // With nothing pending, first moves the clock to the earliest of the next
  // timer beat, the next timed event and `deadline` (never backwards).
  void WaitAndPump(Clock::time_point deadline) override;
  Clock::time_point Now() const override { return now_; }
  // Moves the clock; runs nothing.
  void Sleep(std::chrono::milliseconds duration) override;
  std::unique_ptr<TimerSource> StartTimer(std::chrono::milliseconds interval,
                                          std::function<void()> tick) override;

  // --- for tests ---

  // Pending from now on.
  void Post(std::function<void()> event);
  // Pending once the clock has reached `when`.
  void PostAt(Clock::time_point when, std::function<void()> event);
  void PostAfter(std::chrono::milliseconds delay, std::function<void()> event);
  // Runs in the `pump`-th pump from now (1: the next one, whatever the
  // clock says).
  void PostInPump(int pump, std::function<void()> event);

  // Moves the clock without running anything (not counted as a sleep).
  void Advance(std::chrono::milliseconds duration);
  // Pumps, letting time pass, until the clock reaches Now() + duration.
  void RunFor(std::chrono::milliseconds duration);

  bool HasPending() const;
  // Posted events that have not run yet.
  std::size_t Scheduled() const { return events_.size(); }
  std::size_t ActiveTimers() const;
  // Interval of each running timer, oldest first.
  std::vector<std::chrono::milliseconds> TimerIntervals() const;

  // Calls of PumpPending and WaitAndPump together.
  int pumps() const { return pumps_; }
  int waits() const { return waits_; }
  int sleeps() const { return sleeps_; }
  std::chrono::milliseconds slept() const { return slept_; }
  // Deepest nesting of pumps seen (a handler that pumps makes it 2).
  int max_pump_depth() const { return max_depth_; }
  void ResetCounters();

 private:
  struct Event {
    std::uint64_t seq;
    Clock::time_point due;
    int due_pump;  // pending from this pump number on
    std::function<void()> run;
  };
  struct TimerState;
  class Source;

  void Schedule(Clock::time_point due, int due_pump, std::function<void()> run);
  bool IsPending(const Event& event, int pump) const;
  bool IsDue(const TimerState& timer) const;
  void Pump();
  void PruneTimers();

  Clock::time_point now_ = kStartTime;
  std::uint64_t next_seq_ = 0;
  std::vector<Event> events_;
  std::vector<std::shared_ptr<TimerState>> timers_;
  int pumps_ = 0;
  int waits_ = 0;
  int sleeps_ = 0;
  std::chrono::milliseconds slept_{0};
  int depth_ = 0;
  int max_depth_ = 0;
};

}  // namespace quorvix::fake
