// A device that vanishes while the port is open and comes back: the dead
// handle goes at once, the port still reads open, writes fail with 8020, the
// first write or poll after the loss opens it again, later ones once a
// second; what the host set since Enable is sent again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "link/frames.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

constexpr std::string_view kBack = "[Quorvix] COM1: device back";

class DeviceRecoveryTest : public DriverTest {
 protected:
  // Ready at full speed on COM1, then the adapter is pulled.
  void StartThenUnplug() {
    StartReady();
    ASSERT_TRUE(driver.SetChannel(1, 1));
    fake.serial.Unplug();
    ForgetHistory();
    opened_before_ = fake.serial.open_attempts();
  }

  // Attempts to open since the adapter was pulled.
  int Reopens() const { return fake.serial.open_attempts() - opened_before_; }

  int SetChannelError(std::int32_t channel, std::int32_t value) {
    return Caught([&] { driver.SetChannel(channel, value); }).number();
  }

  std::size_t Count(std::string_view line) const {
    return static_cast<std::size_t>(
        std::count(trace().begin(), trace().end(), line));
  }

  int opened_before_ = 0;
};

TEST_F(DeviceRecoveryTest, VanishedDeviceKeepsThePortOpenAndWritesFail) {
  StartThenUnplug();
  EXPECT_FALSE(fake.serial.IsOpen());  // the dead handle is gone at once
  EXPECT_EQ(SetChannelError(1, 2), kDeviceFailed);
  EXPECT_TRUE(window().comMain.PortOpen());
  EXPECT_TRUE(state().TransmitterReady);
  EXPECT_TRUE(fake.serial.writes().empty());
  EXPECT_EQ(Reopens(), 1);  // the one attempt the loss allows at once
  EXPECT_EQ(window().comMain.Input(), "");
}

TEST_F(DeviceRecoveryTest, FirstWriteAfterTheLossTriesAtOnceThenOncePerSecond) {
  StartThenUnplug();
  EXPECT_EQ(SetChannelError(1, 2), kDeviceFailed);
  EXPECT_EQ(Reopens(), 1);
  fake.serial.Replug();
  fake.events.Advance(999ms);
  EXPECT_EQ(SetChannelError(1, 3), kDeviceFailed);
  EXPECT_EQ(Reopens(), 1);
  fake.events.Advance(1ms);
  EXPECT_TRUE(driver.SetChannel(1, 4));
  EXPECT_EQ(Reopens(), 2);
  // Lost again long after that reopening: again at once.
  fake.events.Advance(1min);
  fake.serial.Unplug();
  fake.serial.Replug();
  EXPECT_TRUE(driver.SetChannel(1, 5));
  EXPECT_EQ(Reopens(), 3);
  EXPECT_EQ(Count(kBack), 2u);
}

TEST_F(DeviceRecoveryTest,
       QuietReplugSendsTheFirstFrameAndRestoresTheUniverse) {
  StartReady();
  ASSERT_TRUE(driver.SetChannel(1, 10));
  ASSERT_TRUE(driver.SetChannel(600, 60));  // beyond one universe: not kept
  ASSERT_TRUE(driver.SetChannel(512, 5));
  ASSERT_TRUE(driver.SetChannel(1, 11));  // the last value counts
  fake.serial.Unplug();
  fake.events.Advance(1min);
  fake.serial.Replug();
  ForgetHistory();

  EXPECT_TRUE(driver.SetChannel(2, 20));
  EXPECT_EQ(fake.serial.writes(),
            (std::vector<std::string>{ChannelFrame(1, 11), ChannelFrame(512, 5),
                                      ChannelFrame(2, 20)}));
  ASSERT_EQ(fake.serial.opens().size(), 2u);
  EXPECT_EQ(fake.serial.opens()[1].port, 1);
  EXPECT_EQ(fake.serial.opens()[1].settings.baud, 38400u);
  EXPECT_THAT(trace(), ::testing::Contains(kBack));
  EXPECT_THAT(trace(),
              ::testing::Contains("[Quorvix] COM1: resent 2 channels"));
  EXPECT_TRUE(state().TransmitterReady);
  EXPECT_TRUE(fake.messages.shown().empty());
}

TEST_F(DeviceRecoveryTest,
       ValuesSetWhileGoneAreRestoredButNotThoseBeforeEnable) {
  StartReady();
  ASSERT_TRUE(driver.SetChannel(7, 70));
  ASSERT_TRUE(driver.Disable());
  TransmitterAnswers({fake::InPump(1, "G")});
  ASSERT_TRUE(driver.Enable());
  fake.serial.Unplug();
  ForgetHistory();
  EXPECT_EQ(SetChannelError(5, 200), kDeviceFailed);
  fake.serial.Replug();
  fake.events.Advance(1s);
  EXPECT_TRUE(driver.SetChannel(6, 1));
  EXPECT_EQ(
      fake.serial.writes(),
      (std::vector<std::string>{ChannelFrame(5, 200), ChannelFrame(6, 1)}));
}

TEST_F(DeviceRecoveryTest, StillMissingFailsAndWaitsAnotherSecond) {
  StartThenUnplug();
  EXPECT_EQ(SetChannelError(1, 2), kDeviceFailed);
  fake.events.Advance(1s);
  const Error missing = Caught([&] { driver.SetChannel(1, 3); });
  EXPECT_EQ(missing.number(), kDeviceFailed);
  EXPECT_THAT(missing.what(), ::testing::HasSubstr("COM1"));
  EXPECT_EQ(Reopens(), 2);
  fake.serial.Replug();
  fake.events.Advance(500ms);
  EXPECT_EQ(SetChannelError(1, 4), kDeviceFailed);
  EXPECT_EQ(Reopens(), 2);
  fake.events.Advance(500ms);
  EXPECT_TRUE(driver.SetChannel(1, 5));
  EXPECT_EQ(Count(kBack), 1u);
  EXPECT_TRUE(window().comMain.PortOpen());
}

TEST_F(DeviceRecoveryTest, PollingResumesAfterReplug) {
  Store("DMXInActive", "True");
  Store("DMXInChannels", "2");
  auto helper = std::make_shared<fake::FakeHelper>();
  Store("ComSettings", "38400,n,8,1");
  Init(helper);
  TransmitterAnswers({fake::InPump(1, "G")});
  ASSERT_TRUE(driver.Enable());
  fake.serial.OnWrite(DMXInRequest(2), {fake::InPump(1, Bytes({9, 8, 0}))});
  fake.serial.Unplug();
  fake.events.RunFor(1500ms);  // ticks fail: the device is gone
  EXPECT_TRUE(helper->calls().empty());
  fake.serial.Replug();
  fake.events.RunFor(1500ms);
  EXPECT_THAT(
      helper->calls(),
      ::testing::ElementsAre(fake::HelperCall{"Trova_DMXIn_SetChannel", 1, 9},
                             fake::HelperCall{"Trova_DMXIn_SetChannel", 2, 8}));
  EXPECT_EQ(Count(kBack), 1u);
  EXPECT_TRUE(state().TransmitterReady);
}

TEST_F(DeviceRecoveryTest, AHostClosingThePortOnTheBackLineGetsNotOpen) {
  StartThenUnplug();
  fake.serial.Replug();
  fake.trace.SetOnLine([this](const std::string& line) {
    if (line == kBack) driver.Disable();
  });
  EXPECT_EQ(SetChannelError(1, 3), kPortNotOpen);
  EXPECT_FALSE(window().comMain.PortOpen());
  EXPECT_TRUE(fake.serial.writes().empty());
}

TEST_F(DeviceRecoveryTest, DisableClosesAVanishedPortAndEnableOpensAfresh) {
  StartThenUnplug();
  EXPECT_TRUE(driver.Disable());
  EXPECT_FALSE(window().comMain.PortOpen());
  EXPECT_EQ(Caught([&] { window().comMain.Output("x"); }).number(),
            kPortNotOpen);
  fake.serial.Replug();
  EXPECT_TRUE(driver.Enable());  // no pause: this is an ordinary opening
  EXPECT_TRUE(driver.SetChannel(1, 9));
  EXPECT_EQ(Count(kBack), 0u);
}

}  // namespace
}  // namespace quorvix::test
