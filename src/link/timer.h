#pragma once
// A window timer: an interval of 0 to 65535 ms and an enabled flag; it ticks
// only while enabled with a non-zero interval.

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/event_loop.h"

namespace quorvix {

class Timer {
 public:
  Timer(EventLoop& loop, std::uint16_t interval_ms, std::function<void()> tick);

  std::uint16_t Interval() const { return interval_; }
  // Error 380 outside 0..65535. A running timer restarts its beat.
  void SetInterval(std::int64_t interval_ms);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Whether ticks are actually scheduled.
  bool Running() const { return source_ != nullptr; }

 private:
  void Restart();

  EventLoop& loop_;
  std::function<void()> tick_;
  std::uint16_t interval_;
  bool enabled_ = false;
  std::unique_ptr<TimerSource> source_;
};

}  // namespace quorvix
