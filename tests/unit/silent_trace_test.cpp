// A trace sink nobody listens to: no line is written or even built, and
// every operation does what it does while someone listens.

#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <vector>

#include "link/handler_guard.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

class SilentTraceTest : public DriverTest {
 protected:
  void SetUp() override { fake.trace.SetListening(false); }
};

TEST_F(SilentTraceTest, OperationsWorkWithoutWritingALine) {
  Store("ComSettings", "38400,n,8,1");
  Init();
  TransmitterAnswers({fake::InPump(1, "G")});
  EXPECT_TRUE(driver.Enable());
  EXPECT_TRUE(driver.SetChannel(5, 200));
  fake.serial.Deliver("ab");
  fake.events.PumpPending();
  EXPECT_EQ(state().LastRecv, "ab");
  EXPECT_TRUE(driver.Disable());
  EXPECT_FALSE(driver.Term());

  EXPECT_EQ(fake.serial.writes(),
            (std::vector<std::string>{
                "c?", Bytes({0xFF, 0x04, 0x00, 0x01, 0xC8, 0x00})}));
  EXPECT_TRUE(trace().empty());
}

// Counts how often the text of the error is asked for.
class CountedError : public std::exception {
 public:
  explicit CountedError(int& reads) : reads_(reads) {}
  const char* what() const noexcept override {
    ++reads_;
    return "counted";
  }

 private:
  int& reads_;
};

TEST_F(SilentTraceTest, AFailedHandlerBuildsItsLineOnlyForAListener) {
  int reads = 0;
  const auto fail = [&] { throw CountedError(reads); };
  RunGuarded(fake.trace, "timCheckDMXIn_Timer", fail);
  EXPECT_EQ(reads, 0);
  EXPECT_TRUE(trace().empty());

  fake.trace.SetListening(true);
  RunGuarded(fake.trace, "timCheckDMXIn_Timer", fail);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(trace(), (std::vector<std::string>{
                         "[Quorvix] timCheckDMXIn_Timer failed: counted"}));
}

}  // namespace
}  // namespace quorvix::test
