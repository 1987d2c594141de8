#include "token_bucket.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace quorvix::ola_bridge {
namespace {

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

}  // namespace

TokenBucket::TokenBucket(double tokens_per_second, double capacity,
                         Clock::time_point now)
    : rate_(tokens_per_second),
      capacity_(capacity),
      tokens_(capacity),
      last_(now) {
  Check(tokens_per_second, capacity);
}

void TokenBucket::SetRate(double tokens_per_second, double capacity,
                          Clock::time_point now) {
  Check(tokens_per_second, capacity);
  tokens_ = std::min(TokensAt(now), capacity);
  last_ = std::max(last_, now);
  rate_ = tokens_per_second;
  capacity_ = capacity;
}

double TokenBucket::TokensAt(Clock::time_point now) const {
  // A clock read before the last one earns nothing rather than a debt.
  const double seconds =
      std::max(0.0, std::chrono::duration<double>(now - last_).count());
  return std::min(capacity_, tokens_ + seconds * rate_);
}

bool TokenBucket::TryTake(Clock::time_point now) {
  tokens_ = TokensAt(now);
  last_ = std::max(last_, now);
  if (tokens_ < 1) return false;
  tokens_ -= 1;
  return true;
}

TokenBucket::Clock::duration TokenBucket::TimeUntilToken(
    Clock::time_point now) const {
  const double missing = 1 - TokensAt(now);
  if (missing <= 0) return Clock::duration::zero();
  return std::chrono::ceil<Clock::duration>(
      std::chrono::duration<double>(missing / rate_));
}

}  // namespace quorvix::ola_bridge
