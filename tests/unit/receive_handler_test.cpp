#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace quorvix::test {
namespace {

constexpr std::string_view kNowPrefix = "[Quorvix] OnComm: LastRecv is now ";

class ReceiveHandlerTest : public DriverTest {
 protected:
  void SetUp() override {
    Init();
    window().comMain.SetPortOpen(true);
    ForgetHistory();
  }

  void Arrive(std::string bytes) {
    fake.serial.Deliver(std::move(bytes));
    fake.events.PumpPending();
  }

  static std::vector<std::string> LinesFor(std::string_view shown) {
    return {"[Quorvix] OnComm: Begin",
            std::string(kNowPrefix) + std::string(shown),
            "[Quorvix] OnComm: End"};
  }
};

TEST_F(ReceiveHandlerTest, AppendsWhatArrivedAndTracesTheWholeBuffer) {
  Arrive("ab");
  EXPECT_EQ(state().LastRecv, "ab");
  EXPECT_EQ(trace(), LinesFor("ab"));

  fake.trace.Clear();
  Arrive("cd");
  EXPECT_EQ(state().LastRecv, "abcd");
  EXPECT_EQ(trace(), LinesFor("abcd"));
}

TEST_F(ReceiveHandlerTest,
       NotificationWithNothingWaitingStillTracesThreeLines) {
  Arrive("x");
  fake.trace.Clear();
  fake.serial.Notify();
  fake.events.PumpPending();
  EXPECT_EQ(state().LastRecv, "x");
  EXPECT_EQ(trace(), LinesFor("x"));

  fake.trace.Clear();
  fake.serial.MuteReads();
  Arrive("lost for now");
  EXPECT_EQ(state().LastRecv, "x");
  EXPECT_EQ(trace(), LinesFor("x"));
}

TEST_F(ReceiveHandlerTest, TraceShowsTheBufferOnlyUpToItsFirstZeroByte) {
  const std::string received = Bytes({'A', 0xE4, 0x00, 'C', 'D'});
  Arrive(received);
  EXPECT_EQ(state().LastRecv, received);
  EXPECT_EQ(trace(), LinesFor(Bytes({'A', 0xE4})));
  EXPECT_EQ(fake.trace.lines_with_zero(), 0);
}

TEST_F(ReceiveHandlerTest, TraceShowsAtMostTheFirst4000Bytes) {
  std::string received(3000, 'a');
  received += std::string(2000, 'b');
  Arrive(received);
  EXPECT_EQ(state().LastRecv, received);
  ASSERT_EQ(trace().size(), 3u);
  EXPECT_EQ(trace()[1], std::string(kNowPrefix) + received.substr(0, 4000));
}

TEST_F(ReceiveHandlerTest, BufferKeepsTheFirst64KiBUntilEmptied) {
  std::string flood;
  for (int i = 0; i < 70000; ++i)
    flood.push_back(static_cast<char>('a' + i % 26));
  Arrive(flood);
  EXPECT_EQ(state().LastRecv, flood.substr(0, 65536));
  Arrive("more");
  EXPECT_EQ(state().LastRecv.size(), 65536u);
  EXPECT_EQ(state().LastRecv, flood.substr(0, 65536));
  EXPECT_EQ(fake.serial.unread(), 0u)
      << "dropped bytes must still be read off the port";

  state().LastRecv.clear();
  Arrive("fresh");
  EXPECT_EQ(state().LastRecv, "fresh");
}

TEST_F(ReceiveHandlerTest, BufferFillsExactlyToTheLimitAcrossNotifications) {
  Arrive(std::string(65530, 'x'));
  Arrive("0123456789");
  EXPECT_EQ(state().LastRecv.size(), 65536u);
  EXPECT_EQ(state().LastRecv.substr(65530), "012345");
}

TEST_F(ReceiveHandlerTest, FailureInsideTheHandlerBecomesOneTraceLine) {
  fake.trace.SetOnLine([](const std::string& line) {
    if (line.starts_with(kNowPrefix)) throw Error(kDeviceFailed, "sink broke");
  });
  EXPECT_NO_THROW(Arrive("ab"));
  EXPECT_EQ(state().LastRecv, "ab");
  ASSERT_EQ(trace().size(), 3u);
  EXPECT_EQ(trace()[0], "[Quorvix] OnComm: Begin");
  EXPECT_EQ(trace()[1], std::string(kNowPrefix) + "ab");
  EXPECT_NE(trace()[2].find("sink broke"), std::string::npos) << trace()[2];

  fake.trace.SetOnLine(nullptr);
  fake.trace.Clear();
  Arrive("c");
  EXPECT_EQ(trace(), LinesFor("abc")) << "the next notification runs normally";
}

}  // namespace
}  // namespace quorvix::test
