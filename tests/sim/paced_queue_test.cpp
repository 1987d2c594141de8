#include "paced_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvix::test {
namespace {

using namespace quorvix::sim;

using std::chrono::microseconds;
using std::chrono::milliseconds;

const Time kStart = Time{} + std::chrono::hours(1);
const std::vector<std::uint8_t> kTen{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

TEST(PacedQueue, UnpacedBytesAreAllDueAtOnce) {
  PacedQueue queue(64);
  EXPECT_FALSE(queue.NextRelease());
  EXPECT_EQ(queue.Push(kTen, kStart), 10u);
  EXPECT_EQ(queue.Due(kStart), 10u);
  queue.Release(10, kStart);
  EXPECT_TRUE(queue.empty());
}

TEST(PacedQueue, APacedByteLeavesNoEarlierThanItsLineTime) {
  PacedQueue queue(64);
  queue.SetBaud(10'000);  // one byte per millisecond
  EXPECT_EQ(queue.ByteTime(), milliseconds(1));
  queue.Push(kTen, kStart);
  EXPECT_EQ(queue.Due(kStart), 0u);
  EXPECT_EQ(queue.Due(kStart + microseconds(999)), 0u);
  EXPECT_EQ(queue.NextRelease(), kStart + milliseconds(1));
  EXPECT_EQ(queue.Due(kStart + milliseconds(1)), 1u);
  EXPECT_EQ(queue.Due(kStart + microseconds(3500)), 3u);
  queue.Release(3, kStart + microseconds(3500));
  // The line keeps its schedule: the fourth byte is done at 4 ms, not 4.5.
  EXPECT_EQ(queue.NextRelease(), kStart + milliseconds(4));
  EXPECT_EQ(queue.Due(kStart + milliseconds(20)), 7u);
}

TEST(PacedQueue, ByteTimeIsRoundedUpSoNothingLeavesEarly) {
  PacedQueue queue(64);
  queue.SetBaud(38'400);
  EXPECT_EQ(queue.ByteTime(), std::chrono::nanoseconds(260'417));
  queue.Push(kTen, kStart);
  EXPECT_EQ(queue.Due(kStart + std::chrono::nanoseconds(10 * 260'417 - 1)), 9u);
}

TEST(PacedQueue, AnIdleLineStartsAgainWhenBytesArrive) {
  PacedQueue queue(64);
  queue.SetBaud(10'000);
  queue.Push(std::span(kTen).first(1), kStart);
  queue.Release(1, kStart + milliseconds(1));
  const Time later = kStart + milliseconds(50);
  queue.Push(std::span(kTen).first(2), later);
  EXPECT_EQ(queue.Due(later), 0u);
  EXPECT_EQ(queue.NextRelease(), later + milliseconds(1));
}

TEST(PacedQueue, BytesThatWereWaitingFollowBackToBackAfterALateRead) {
  PacedQueue queue(64);
  queue.SetBaud(10'000);
  queue.Push(std::span(kTen).first(2), kStart);
  // Woken 300 us after the line fell idle; the next bytes were waiting
  // since the first read, which left them unread.
  const Time woke = kStart + microseconds(2300);
  queue.Release(2, woke);
  queue.Push(std::span(kTen).first(2), woke, kStart);
  EXPECT_EQ(queue.NextRelease(), kStart + milliseconds(3));
  // Never before the last byte carried, nor after the read itself.
  queue.Release(2, woke + milliseconds(5));
  queue.Push(std::span(kTen).first(1), woke + milliseconds(5),
             woke + milliseconds(9));
  EXPECT_EQ(queue.NextRelease(), woke + milliseconds(6));
}

TEST(PacedQueue, SplitReleasesOneByteAtATimeWithTheGap) {
  PacedQueue queue(64);
  queue.SetSplit(milliseconds(5));
  queue.Push(std::span(kTen).first(3), kStart);
  ASSERT_EQ(queue.Due(kStart), 1u);
  queue.Release(1, kStart);
  EXPECT_EQ(queue.Due(kStart + milliseconds(4)), 0u);
  EXPECT_EQ(queue.NextRelease(), kStart + milliseconds(5));
  EXPECT_EQ(queue.Due(kStart + milliseconds(60)), 1u)
      << "never more than one piece";

  // With a line slower than the gap, the line time decides.
  PacedQueue slow(64);
  slow.SetSplit(milliseconds(0));
  slow.SetBaud(1'000);  // 10 ms a byte
  slow.Push(std::span(kTen).first(2), kStart);
  EXPECT_EQ(slow.NextRelease(), kStart + milliseconds(10));
  slow.Release(1, kStart + milliseconds(10));
  EXPECT_EQ(slow.NextRelease(), kStart + milliseconds(20));
}

TEST(PacedQueue, BytesBeyondTheCapacityAreRefused) {
  PacedQueue queue(8);
  EXPECT_EQ(queue.Push(std::span(kTen).first(6), kStart), 6u);
  EXPECT_EQ(queue.Push(std::span(kTen).first(6), kStart), 2u);
  EXPECT_EQ(queue.size(), 8u);
  EXPECT_EQ(queue.bytes().back(), 1);
}

TEST(PacedQueue, SwitchingPacingOffReleasesWhatIsWaiting) {
  PacedQueue queue(64);
  queue.SetBaud(100);
  queue.Push(kTen, kStart);
  EXPECT_EQ(queue.Due(kStart + milliseconds(1)), 0u);
  queue.SetBaud(0);
  EXPECT_EQ(queue.Due(kStart + milliseconds(1)), 10u);
}

TEST(PacedQueue, BatchedLineHandsOverFullBatchesOrTheRestOfABurst) {
  PacedQueue queue(100);
  queue.SetBaud(10000);  // 1 ms per byte
  queue.SetBatch(4);
  const std::vector<std::uint8_t> bytes(6, 0x55);
  queue.Push(bytes, kStart);
  EXPECT_EQ(queue.Due(kStart + milliseconds(3)), 0u)
      << "three bytes do not fill a batch";
  EXPECT_EQ(queue.NextRelease(), kStart + milliseconds(4));
  EXPECT_EQ(queue.Due(kStart + milliseconds(4)), 4u);
  queue.Release(4, kStart + milliseconds(4));
  // The last two bytes are the whole rest: they leave once carried.
  EXPECT_EQ(queue.NextRelease(), kStart + milliseconds(6));
  EXPECT_EQ(queue.Due(kStart + milliseconds(5)), 0u);
  EXPECT_EQ(queue.Due(kStart + milliseconds(6)), 2u);
}

}  // namespace
}  // namespace quorvix::test
