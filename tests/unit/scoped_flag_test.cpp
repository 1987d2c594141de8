// The one scoped-flag guard: a nested raise (a handler run from inside a
// wait that raised the same flag) must leave the outer raise standing.
#include "link/scoped_flag.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace quorvix::test {
namespace {

TEST(ScopedFlag, PutsBackWhatItFoundAlsoWhenNestedOrUnwound) {
  bool flag = false;
  {
    const ScopedFlag outer(flag);
    {
      const ScopedFlag inner(flag);
      EXPECT_TRUE(flag);
    }
    EXPECT_TRUE(flag) << "the nested scope took the outer raise down";
    try {
      const ScopedFlag thrown(flag);
      throw std::runtime_error("handler failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(flag);
  }
  EXPECT_FALSE(flag);
}

}  // namespace
}  // namespace quorvix::test
