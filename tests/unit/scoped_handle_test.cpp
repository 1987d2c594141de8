#include "common/scoped_handle.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace quorvix::common {
namespace {

// Handles are numbers; 0 and -1 are both "none", as with Win32's HANDLE.
std::vector<int> freed;

struct CountedTraits {
  static int Invalid() { return -1; }
  static bool IsValid(int handle) { return handle > 0; }
  static void Free(int handle) { freed.push_back(handle); }
};
using Owner = ScopedHandle<CountedTraits>;

TEST(ScopedHandle, FreesEveryHandleExactlyOnceWhateverItPassesThrough) {
  freed.clear();
  {
    Owner none;
    Owner zero(0);
    EXPECT_FALSE(none);
    EXPECT_FALSE(zero.is_valid());

    Owner first(1);
    EXPECT_TRUE(first);
    Owner moved(std::move(first));
    EXPECT_FALSE(first.is_valid());
    EXPECT_EQ(moved.get(), 1);

    Owner target(2);
    target = std::move(moved);  // 2 goes now
    EXPECT_THAT(freed, testing::ElementsAre(2));
    EXPECT_EQ(target.get(), 1);
    auto& self = target;
    target = std::move(self);
    EXPECT_EQ(target.get(), 1);

    target.reset(3);  // 1 goes now
    target.reset(3);  // still held: not freed
    EXPECT_THAT(freed, testing::ElementsAre(2, 1));

    Owner handed(4);
    const int raw = handed.release();
    EXPECT_EQ(raw, 4);
    EXPECT_EQ(handed.get(), -1);

    Owner emptied(5);
    emptied.reset();
    EXPECT_THAT(freed, testing::ElementsAre(2, 1, 5));
  }
  // Leaving frees only what was still held: 3; never 4, 0 or a moved-from.
  EXPECT_THAT(freed, testing::ElementsAre(2, 1, 5, 3));
}

}  // namespace
}  // namespace quorvix::common
