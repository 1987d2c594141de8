#pragma once
// Paces writes to the line: tokens arrive at the line's frame rate and the
// bucket holds only a short stretch of line time, so no more than that is
// ever queued in the tty's buffers, however long the sender was away.
//
// Kept as the time at which the bucket is (or was) empty, in whole clock
// ticks, so that refills never accumulate rounding errors.

#include <chrono>

namespace quorvix::ola_bridge {

class TokenBucket {
 public:
  using Clock = std::chrono::steady_clock;

  // Starts full. Throws std::invalid_argument unless rate > 0 and
  // capacity >= 1.
  TokenBucket(double tokens_per_second, double capacity, Clock::time_point now);

  // Keeps the tokens earned so far at the old rate (up to the new capacity).
  void SetRate(double tokens_per_second, double capacity,
               Clock::time_point now);

  bool TryTake(Clock::time_point now);

  // How long until a token is there; zero when one is.
  Clock::duration TimeUntilToken(Clock::time_point now) const;

 private:
  // empty_at_, but never further back than a full bucket.
  Clock::time_point Base(Clock::time_point now) const;

  Clock::duration interval_;  // per token
  Clock::duration burst_;     // capacity's worth of intervals
  Clock::time_point empty_at_;
};

}  // namespace quorvix::ola_bridge
