// Output keeps at most 20 ms of line time ahead of the line (never less
// than one write), by its own clock of the line or the system's count of
// what waits, whichever says more.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "link/comm_control.h"
#include "link/line_clock.h"
#include "link/line_settings.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

// A channel frame: 15 ms of line time at 4800 baud with 12 bits a character
// (start, 8 data, parity, 2 stop); the bound holds one such frame and 5 ms.
const std::string kFrame = Bytes({0xFF, 0x04, 0x00, 0x01, 0xC8, 0x00});
constexpr std::string_view kTwelveBitLine = "4800,e,8,2";

class PacedOutputTest : public ::testing::Test {
 protected:
  void Open(std::string_view settings) {
    port.SetSettings(settings);
    port.SetPortOpen(true);
    loop.ResetCounters();
  }

  fake::FakePlatform fake;
  fake::FakeEventLoop& loop = fake.events;
  fake::FakeSerial& serial = fake.serial;
  CommControl port{fake.platform, [] {}};
};

TEST(LineClockTest, LineTimeCountsStartDataParityAndStopBits) {
  EXPECT_EQ(LineClock(ParseLineSettings("9600,n,8,1")).TimeOf(6), 6250us);
  EXPECT_EQ(LineClock(ParseLineSettings("4800,e,8,2")).TimeOf(6), 15ms);
  EXPECT_EQ(LineClock(ParseLineSettings("1200,o,5,1.5")).TimeOf(6), 42500us);
  EXPECT_EQ(LineClock(ParseLineSettings("110,m,7,2")).TimeOf(11), 1100ms);
  EXPECT_EQ(LineClock(ParseLineSettings("38400,n,8,1")).TimeOf(0), 0ns);
}

TEST_F(PacedOutputTest,
       AFrameThatFitsGoesAtOnceOneThatDoesNotWaitsUntilItFits) {
  Open(kTwelveBitLine);
  port.Output(kFrame);
  EXPECT_EQ(serial.writes().size(), 1u);
  EXPECT_EQ(loop.sleeps(), 0);

  // 15 ms wait ahead: the next frame fits once 10 ms have gone.
  port.Output(kFrame);
  EXPECT_EQ(serial.writes().size(), 2u);
  EXPECT_EQ(loop.slept(), 10ms);

  loop.Advance(9ms);  // 11 ms left of the second frame
  port.Output(kFrame);
  EXPECT_EQ(loop.slept(), 16ms);
  EXPECT_EQ(serial.written(), kFrame + kFrame + kFrame);
  EXPECT_EQ(loop.pumps(), 0);  // the caller is in the middle of a frame
}

TEST_F(PacedOutputTest, IdleTimeIsNotBanked) {
  Open(kTwelveBitLine);
  port.Output(kFrame);
  loop.Advance(10s);  // the line sat idle
  port.Output(kFrame);
  EXPECT_EQ(loop.sleeps(), 0);
  port.Output(kFrame);
  EXPECT_EQ(loop.slept(), 10ms);
  EXPECT_EQ(serial.writes().size(), 3u);
}

TEST_F(PacedOutputTest, AWriteLongerThanTheBoundGoesOnceTheLineIsEmpty) {
  Open("1200,n,8,1");  // 50 ms a frame
  port.Output(kFrame);
  port.Output(kFrame);
  EXPECT_EQ(loop.slept(), 50ms);
  loop.Advance(20ms);
  port.Output(kFrame);
  EXPECT_EQ(loop.slept(), 80ms);
  EXPECT_EQ(serial.writes().size(), 3u);
}

TEST_F(PacedOutputTest, ALargerSystemCountWins) {
  Open(kTwelveBitLine);
  // 40 bytes (100 ms) wait in the system, leaving at 2.5 ms a byte.
  const Clock::time_point start = loop.Now();
  serial.SetQueuedBytes([&]() -> std::optional<std::size_t> {
    const auto gone = (loop.Now() - start) / 2500us;
    return gone >= 40 ? 0 : static_cast<std::size_t>(40 - gone);
  });
  port.Output(kFrame);
  EXPECT_EQ(loop.slept(), 95ms);  // until 5 ms are left
  EXPECT_EQ(serial.writes().size(), 1u);

  // Once the count says nothing waits, the clock still holds the frame just
  // written.
  serial.SetQueuedBytes([] { return std::optional<std::size_t>(0); });
  port.Output(kFrame);
  EXPECT_EQ(loop.slept(), 95ms + 10ms);
  EXPECT_EQ(serial.writes().size(), 2u);
}

TEST_F(PacedOutputTest, ASmallerSystemCountNeverSendsFasterThanTheSetSpeed) {
  // A device that takes bytes faster than its set speed reports an empty
  // queue; frames still leave at no more than the set speed.
  Open(kTwelveBitLine);
  serial.SetQueuedBytes([] { return std::optional<std::size_t>(0); });
  for (int i = 0; i < 10; ++i) port.Output(kFrame);
  EXPECT_EQ(serial.writes().size(), 10u);
  EXPECT_EQ(loop.slept(), 9 * 15ms - 5ms);
}

TEST_F(PacedOutputTest, AStuckLineEndsIn8020WithNothingCut) {
  Open(kTwelveBitLine);
  serial.SetQueuedBytes([] { return std::optional<std::size_t>(4096); });
  const Error error = Caught([&] { port.Output(kFrame); });
  EXPECT_EQ(error.number(), kDeviceFailed);
  EXPECT_NE(std::string(error.what()).find("COM1"), std::string::npos)
      << error.what();
  EXPECT_NE(std::string(error.what()).find("1015 ms"), std::string::npos)
      << error.what();
  EXPECT_TRUE(serial.writes().empty());
  EXPECT_EQ(loop.slept(), 1s + 15ms);
  EXPECT_TRUE(port.PortOpen());

  // Once the line moves again, whole frames go out.
  serial.SetQueuedBytes([] { return std::optional<std::size_t>(0); });
  port.Output(kFrame);
  EXPECT_EQ(serial.written(), kFrame);
}

}  // namespace
}  // namespace quorvix::test
