#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "link/frames.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

constexpr std::int32_t kMinChannel = std::numeric_limits<std::int32_t>::min();
const std::string kBegin = "[Quorvix] SetChannel: Begin";
const std::string kEnd = "[Quorvix] SetChannel: End";
const std::string kSending = "[Quorvix] SetChannel: Sending channel ";

using SetChannelTest = DriverTest;

TEST_F(SetChannelTest, BeforeEnableNothingIsBuiltOrSent) {
  Init();
  fake.trace.Clear();
  EXPECT_FALSE(driver.SetChannel(1, 0));
  EXPECT_FALSE(driver.SetChannel(kMinChannel, 256));  // not even checked
  EXPECT_FALSE(driver.SetChannel(5, -1));
  EXPECT_TRUE(fake.serial.writes().empty());
  EXPECT_EQ(trace(), (std::vector<std::string>{kBegin, kEnd, kBegin, kEnd,
                                               kBegin, kEnd}));
}

TEST_F(SetChannelTest, SendsOneFrameAndTracesItUpToItsFirstZeroByte) {
  StartReady();
  state().LastRecv = "old reply";
  EXPECT_TRUE(driver.SetChannel(5, 200));
  EXPECT_EQ(state().LastRecv, "");
  EXPECT_EQ(
      fake.serial.writes(),
      (std::vector<std::string>{Bytes({0xFF, 0x04, 0x00, 0x01, 0xC8, 0x00})}));
  EXPECT_EQ(trace(),
            (std::vector<std::string>{
                kBegin, kSending + "5 @ 200: " + Bytes({0xFF, 0x04}), kEnd}));
  EXPECT_EQ(fake.trace.lines_with_zero(), 0);
}

TEST_F(SetChannelTest, DetailLineShowsTheFrameBytesAsCharacters) {
  StartReady();
  EXPECT_TRUE(driver.SetChannel(300, 128));
  EXPECT_TRUE(driver.SetChannel(1, 255));
  EXPECT_TRUE(driver.SetChannel(-5, 3));
  EXPECT_EQ(
      trace(),
      (std::vector<std::string>{
          kBegin,
          kSending + "300 @ 128: " + Bytes({0xFF, 0x2B, 0x01, 0x01, 0x80}),
          kEnd, kBegin, kSending + "1 @ 255: " + Bytes({0xFF}), kEnd, kBegin,
          kSending + "-5 @ 3: " + Bytes({0xFF, 0xFA, 0x7F, 0x01, 0x03}),
          kEnd}));
}

TEST_F(SetChannelTest, ChannelsWrapAtFifteenBitsOnTheLine) {
  StartReady();
  EXPECT_TRUE(driver.SetChannel(0, 1));
  EXPECT_TRUE(driver.SetChannel(32768, 1));
  EXPECT_TRUE(driver.SetChannel(7, 1));
  EXPECT_TRUE(driver.SetChannel(7 + 32768, 1));
  const auto& w = fake.serial.writes();
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w[0], Bytes({0xFF, 0xFF, 0x7F, 0x01, 0x01, 0x00}));
  EXPECT_EQ(w[1], w[0]);
  EXPECT_EQ(w[2], Bytes({0xFF, 0x06, 0x00, 0x01, 0x01, 0x00}));
  EXPECT_EQ(w[3], w[2]);
}

TEST_F(SetChannelTest, ManyFramesArriveByteForByte) {
  StartReady();
  std::string expected;
  for (std::int32_t channel = 1; channel <= 600; ++channel) {
    const std::int32_t value = (channel * 37) % 256;
    ASSERT_TRUE(driver.SetChannel(channel, value));
    expected += ChannelFrame(channel, value);
  }
  EXPECT_EQ(fake.serial.writes().size(), 600u);
  EXPECT_EQ(fake.serial.written(), expected);
}

TEST_F(SetChannelTest, BadValueFailsAfterEmptyingTheBufferAndSendsNothing) {
  StartReady();
  for (const std::int32_t value : {256, -1}) {
    fake.trace.Clear();
    state().LastRecv = "reply";
    const Error error = Caught([&] { driver.SetChannel(5, value); });
    EXPECT_EQ(error.number(), kInvalidArgument) << value;
    EXPECT_EQ(state().LastRecv, "");
    EXPECT_EQ(trace(), (std::vector<std::string>{kBegin}));
  }
  EXPECT_TRUE(fake.serial.writes().empty());
  EXPECT_TRUE(state().TransmitterReady);
}

TEST_F(SetChannelTest, LowestChannelOverflowsEvenWithABadValue) {
  StartReady();
  for (const std::int32_t value : {0, 256}) {
    fake.trace.Clear();
    state().LastRecv = "reply";
    EXPECT_EQ(Caught([&] { driver.SetChannel(kMinChannel, value); }).number(),
              kOverflow);
    EXPECT_EQ(state().LastRecv, "");
    EXPECT_EQ(trace(), (std::vector<std::string>{kBegin}));
  }
  EXPECT_TRUE(fake.serial.writes().empty());
}

TEST_F(SetChannelTest, VanishedDeviceFailsTheCall) {
  StartReady();
  fake.serial.FailWrites();
  EXPECT_EQ(Caught([&] { driver.SetChannel(5, 200); }).number(), kDeviceFailed);
  EXPECT_EQ(trace(),
            (std::vector<std::string>{
                kBegin, kSending + "5 @ 200: " + Bytes({0xFF, 0x04})}));
}

TEST_F(SetChannelTest, StopsAfterDisableAndAfterAFailedEnable) {
  StartReady();
  driver.Disable();
  EXPECT_FALSE(driver.SetChannel(1, 1));

  fake.serial.ClearRules();
  EXPECT_FALSE(driver.Enable());
  EXPECT_FALSE(driver.SetChannel(1, 1));
  EXPECT_EQ(fake.serial.writes(), (std::vector<std::string>{"c?"}));
}

TEST_F(SetChannelTest, AfterTermWithoutDisableFailsOnTheClosedPort) {
  StartReady();
  EXPECT_FALSE(driver.Term());
  EXPECT_TRUE(state().TransmitterReady);
  fake.trace.Clear();
  EXPECT_EQ(Caught([&] { driver.SetChannel(5, 200); }).number(), kPortNotOpen);
  EXPECT_EQ(trace(),
            (std::vector<std::string>{
                kBegin, kSending + "5 @ 200: " + Bytes({0xFF, 0x04})}));
  EXPECT_TRUE(fake.serial.writes().empty());
}

}  // namespace
}  // namespace quorvix::test
