// The token bucket and the line's frame budget that feeds it.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "line_rate.h"
#include "token_bucket.h"

namespace quorvix::ola_bridge {
namespace {

using namespace std::chrono_literals;
using Clock = TokenBucket::Clock;

int TakeAll(TokenBucket& bucket, Clock::time_point now) {
  int taken = 0;
  while (bucket.TryTake(now)) ++taken;
  return taken;
}

TEST(TokenBucketTest, StartsFullThenGivesTokensAtItsRateUpToItsCapacity) {
  const Clock::time_point start{};
  TokenBucket bucket(100, 3, start);  // one token every 10 ms
  EXPECT_EQ(TakeAll(bucket, start), 3);
  EXPECT_EQ(bucket.TimeUntilToken(start), 10ms);
  EXPECT_EQ(bucket.TimeUntilToken(start + 4ms), 6ms);
  EXPECT_FALSE(bucket.TryTake(start + 9ms));
  EXPECT_TRUE(bucket.TryTake(start + 10ms));
  EXPECT_FALSE(bucket.TryTake(start + 10ms));
  EXPECT_EQ(TakeAll(bucket, start + 35ms), 2);  // 2.5 earned since
  // A long pause earns no more than the capacity: queued line time stays
  // bounded however late the sender comes back.
  EXPECT_EQ(TakeAll(bucket, start + 10s), 3);
  EXPECT_EQ(bucket.TimeUntilToken(start + 10s), 10ms);
}

TEST(TokenBucketTest, AClockReadOutOfOrderEarnsNothing) {
  const Clock::time_point start = Clock::time_point{} + 1s;
  TokenBucket bucket(100, 1, start);
  EXPECT_TRUE(bucket.TryTake(start));
  EXPECT_FALSE(bucket.TryTake(start - 500ms));
  EXPECT_FALSE(bucket.TryTake(start + 9ms));
  EXPECT_TRUE(bucket.TryTake(start + 10ms));
}

TEST(TokenBucketTest, SetRateKeepsWhatWasEarnedAndAppliesTheNewRate) {
  const Clock::time_point start{};
  TokenBucket bucket(100, 4, start);
  EXPECT_EQ(TakeAll(bucket, start), 4);
  bucket.SetRate(1000, 2, start + 10ms);  // one token earned at the old rate
  EXPECT_TRUE(bucket.TryTake(start + 10ms));
  EXPECT_FALSE(bucket.TryTake(start + 10ms));
  EXPECT_EQ(bucket.TimeUntilToken(start + 10ms), 1ms);
  EXPECT_EQ(TakeAll(bucket, start + 1s), 2);
}

TEST(TokenBucketTest, RefusesRatesAndCapacitiesThatCannotPace) {
  const Clock::time_point now{};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_THROW(TokenBucket(0, 1, now), std::invalid_argument);
  EXPECT_THROW(TokenBucket(-5, 1, now), std::invalid_argument);
  EXPECT_THROW(TokenBucket(nan, 1, now), std::invalid_argument);
  EXPECT_THROW(TokenBucket(100, 0.5, now), std::invalid_argument);
  EXPECT_THROW(TokenBucket(100, nan, now), std::invalid_argument);
  TokenBucket bucket(100, 1, now);
  EXPECT_THROW(bucket.SetRate(0, 1, now), std::invalid_argument);
}

TEST(LineRateTest, ChannelFramesFitTheLineLessThePollRequests) {
  // All of 3840 bytes a second, in 6-byte frames: the driver keeps the
  // queue short however the line keeps up.
  const LineRate fast = LineRateFor(38400, false, 50);
  EXPECT_DOUBLE_EQ(fast.frames_per_second, 640);
  EXPECT_DOUBLE_EQ(fast.burst_frames, 640 * 0.020);  // 20 ms of line time
  EXPECT_DOUBLE_EQ(LineRateFor(19200, false, 50).frames_per_second, 320);
  // 4 request bytes every 50 ms leave 3760 of those 3840 bytes a second.
  EXPECT_DOUBLE_EQ(LineRateFor(38400, true, 50).frames_per_second, 3760.0 / 6);
  // A stopped poll timer sends no requests.
  EXPECT_DOUBLE_EQ(LineRateFor(38400, true, 0).frames_per_second, 640);
  // A slow line still queues at least one whole frame.
  EXPECT_DOUBLE_EQ(LineRateFor(1200, false, 50).burst_frames, 1);
  EXPECT_THROW(LineRateFor(110, true, 50), std::invalid_argument);
}

}  // namespace
}  // namespace quorvix::ola_bridge
