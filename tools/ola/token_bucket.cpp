#include "token_bucket.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace quorvix::ola_bridge {
namespace {

using Duration = TokenBucket::Clock::duration;

void Check(double tokens_per_second, double capacity) {
  if (!(tokens_per_second > 0) || !std::isfinite(tokens_per_second)) {
    throw std::invalid_argument("token rate must be positive, not " +
                                std::to_string(tokens_per_second));
  }
  if (!(capacity >= 1) || !std::isfinite(capacity)) {
    throw std::invalid_argument("bucket capacity must be at least 1, not " +
                                std::to_string(capacity));
  }
}

Duration Interval(double tokens_per_second) {
  const auto interval = std::chrono::round<Duration>(
      std::chrono::duration<double>(1.0 / tokens_per_second));
  return std::max(interval, Duration(1));
}

Duration Burst(Duration interval, double capacity) {
  return std::chrono::round<Duration>(interval * capacity);
}

}  // namespace

TokenBucket::TokenBucket(double tokens_per_second, double capacity,
                         Clock::time_point now) {
  Check(tokens_per_second, capacity);
  interval_ = Interval(tokens_per_second);
  burst_ = Burst(interval_, capacity);
  empty_at_ = now - burst_;
}

void TokenBucket::SetRate(double tokens_per_second, double capacity,
                          Clock::time_point now) {
  Check(tokens_per_second, capacity);
  const double tokens = std::min(
      capacity, std::chrono::duration<double>(now - Base(now)) / interval_);
  interval_ = Interval(tokens_per_second);
  burst_ = Burst(interval_, capacity);
  empty_at_ =
      now - std::chrono::round<Duration>(interval_ * std::max(0.0, tokens));
}

TokenBucket::Clock::time_point TokenBucket::Base(Clock::time_point now) const {
  return std::max(empty_at_, now - burst_);
}

bool TokenBucket::TryTake(Clock::time_point now) {
  const Clock::time_point base = Base(now);
  if (now - base < interval_) return false;
  empty_at_ = base + interval_;
  return true;
}

TokenBucket::Clock::duration TokenBucket::TimeUntilToken(
    Clock::time_point now) const {
  return std::max(Duration::zero(), Base(now) + interval_ - now);
}

}  // namespace quorvix::ola_bridge
