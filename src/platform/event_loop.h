#pragma once
// The thread's event source: receive notifications, timer ticks and, on
// Windows, window messages all arrive through it and run on one thread.

#include <chrono>
#include <functional>
#include <memory>

namespace quorvix {

using Clock = std::chrono::steady_clock;

// A running periodic timer; destroying it stops the ticks.
class TimerSource {
 public:
  virtual ~TimerSource() = default;
};

class EventLoop {
 public:
  virtual ~EventLoop() = default;

  // Runs the events that were pending when it was called, then returns, even
  // while new events keep arriving.
  virtual void PumpPending() = 0;

  // Waits until an event is pending or `deadline` has passed, then runs what
  // is pending. Returns at once if something is already pending.
  virtual void WaitAndPump(Clock::time_point deadline) = 0;

  // Monotonic clock of this loop (a fake loop keeps its own).
  virtual Clock::time_point Now() const = 0;

  // Blocks the thread without running events.
  virtual void Sleep(std::chrono::milliseconds duration) = 0;

  // Ticks every `interval` (> 0), counted from the start, not from the end of
  // the previous tick; a tick that falls due while the previous one still
  // runs is skipped, not queued.
  virtual std::unique_ptr<TimerSource> StartTimer(
      std::chrono::milliseconds interval, std::function<void()> tick) = 0;
};

}  // namespace quorvix
