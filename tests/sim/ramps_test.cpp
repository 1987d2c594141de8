#include "ramps.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace quorvix::test {
namespace {

using namespace quorvix::sim;

using std::chrono::milliseconds;
using Changes = std::vector<std::pair<int, int>>;

const Time kStart = Time{} + std::chrono::hours(1);

struct Recorder {
  Changes changes;
  Ramps::Apply apply() {
    return [this](int channel, std::uint8_t value) {
      changes.emplace_back(channel, value);
    };
  }
};

TEST(Ramps, AStepFallsDueEveryIntervalUntilTheTarget) {
  Ramps ramps;
  Recorder r;
  ramps.Start(7, 10, 13, milliseconds(20), kStart, r.apply());
  EXPECT_EQ(r.changes, (Changes{{7, 10}}));
  EXPECT_EQ(ramps.NextStep(), kStart + milliseconds(20));
  ramps.Advance(kStart + milliseconds(19), r.apply());
  EXPECT_EQ(r.changes.size(), 1u);
  ramps.Advance(kStart + milliseconds(20), r.apply());
  EXPECT_EQ(ramps.NextStep(), kStart + milliseconds(40));
  ramps.Advance(kStart + milliseconds(45), r.apply());
  ramps.Advance(kStart + milliseconds(60), r.apply());
  EXPECT_EQ(r.changes, (Changes{{7, 10}, {7, 11}, {7, 12}, {7, 13}}));
  EXPECT_EQ(ramps.size(), 0u) << "a finished ramp ends";
  EXPECT_FALSE(ramps.NextStep());
}

TEST(Ramps, ALateWakeUpCatchesUpAndDownwardRampsWork) {
  Ramps ramps;
  Recorder r;
  ramps.Start(1, 200, 0, milliseconds(1), kStart, r.apply());
  ramps.Advance(kStart + milliseconds(150), r.apply());
  EXPECT_EQ(r.changes.back(), (std::pair{1, 50}));
  ramps.Advance(kStart + milliseconds(5000), r.apply());
  EXPECT_EQ(r.changes.back(), (std::pair{1, 0}));
  EXPECT_EQ(r.changes.size(), 3u);
}

TEST(Ramps, ANewRampOrACancelReplacesTheOldOne) {
  Ramps ramps;
  Recorder r;
  ramps.Start(3, 0, 100, milliseconds(10), kStart, r.apply());
  ramps.Start(3, 50, 40, milliseconds(10), kStart + milliseconds(5), r.apply());
  ramps.Start(4, 9, 9, milliseconds(10), kStart, r.apply());
  EXPECT_EQ(ramps.size(), 1u) << "a ramp to its own start value is just a set";
  ramps.Advance(kStart + milliseconds(15), r.apply());
  EXPECT_EQ(r.changes, (Changes{{3, 0}, {3, 50}, {4, 9}, {3, 49}}));
  ramps.Cancel(3);
  ramps.Advance(kStart + milliseconds(1000), r.apply());
  EXPECT_EQ(r.changes.size(), 4u);
}

}  // namespace
}  // namespace quorvix::test
