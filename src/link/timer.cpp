#include "link/timer.h"

#include <string>

#include "platform/error.h"

namespace quorvix {

Timer::Timer(EventLoop& loop, std::uint16_t interval_ms,
             std::function<void()> tick)
    : loop_(loop), tick_(std::move(tick)), interval_(interval_ms) {}

void Timer::SetInterval(std::int64_t interval_ms) {
  if (interval_ms < 0 || interval_ms > 65535) {
    throw Error(kInvalidPropertyValue, "Invalid timer interval " +
                                           std::to_string(interval_ms) +
                                           ": must be 0 to 65535 milliseconds");
  }
  interval_ = static_cast<std::uint16_t>(interval_ms);
  Restart();
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;  // re-enabling must not reset the beat
  enabled_ = enabled;
  Restart();
}

void Timer::Restart() {
  source_.reset();
  if (enabled_ && interval_ > 0) {
    source_ = loop_.StartTimer(std::chrono::milliseconds(interval_), [this] {
      if (tick_) tick_();
    });
  }
}

}  // namespace quorvix
