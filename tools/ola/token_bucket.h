#pragma once
// Paces writes to the line: tokens arrive at the line's frame rate and the
// bucket holds only a short stretch of line time, so no more than that is
// ever queued in the tty's buffers, however long the sender was away.

#include <chrono>

namespace quorvix::ola_bridge {

class TokenBucket {
 public:
  using Clock = std::chrono::steady_clock;

  // Starts full. Throws std::invalid_argument unless rate > 0 and
  // capacity >= 1.
  TokenBucket(double tokens_per_second, double capacity, Clock::time_point now);

  // Keeps the tokens earned so far at the old rate.
  void SetRate(double tokens_per_second, double capacity,
               Clock::time_point now);

  bool TryTake(Clock::time_point now);

  // How long until a token is there; zero when one is.
  Clock::duration TimeUntilToken(Clock::time_point now) const;

 private:
  double TokensAt(Clock::time_point now) const;

  double rate_;
  double capacity_;
  double tokens_;
  Clock::time_point last_;
};

}  // namespace quorvix::ola_bridge
