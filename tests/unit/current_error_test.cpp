// Both bindings tell a host about a failure through this one translation.

#include "platform/current_error.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace quorvix::test {
namespace {

template <typename Thrown>
ErrorReport ReportOf(const Thrown& thrown) {
  try {
    throw thrown;
  } catch (...) {
    return CurrentErrorReport();
  }
}

TEST(CurrentErrorReport, GivesEachKindOfFailureItsNumber) {
  const ErrorReport refused =
      ReportOf(Error(kPortInUse, "COM3 is already open"));
  EXPECT_EQ(refused.number, 8005);
  EXPECT_EQ(refused.description, "COM3 is already open");

  const ErrorReport memory = ReportOf(std::bad_alloc());
  EXPECT_EQ(memory.number, 7);
  EXPECT_EQ(memory.description, "Out of memory");

  const ErrorReport other = ReportOf(std::logic_error("no reader thread"));
  EXPECT_EQ(other.number, 51);
  EXPECT_EQ(other.description, "Internal error: no reader thread");

  const ErrorReport unknown = ReportOf(42);
  EXPECT_EQ(unknown.number, 51);
  EXPECT_EQ(unknown.description, "Internal error");
}

}  // namespace
}  // namespace quorvix::test
