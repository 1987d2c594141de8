#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace quorvix::test {
namespace {

const std::vector<std::string> kDisableLines{"[Quorvix] Disable: Begin",
                                             "[Quorvix] Disable: End"};

using DisableTest = DriverTest;
using ConfigureTest = DriverTest;

TEST_F(DisableTest, ReturnsTrueEvenWhenNothingWasOpen) {
  EXPECT_TRUE(driver.Disable());
  EXPECT_EQ(trace(), kDisableLines);
  Init();
  fake.trace.Clear();
  EXPECT_TRUE(driver.Disable());
  EXPECT_EQ(trace(), kDisableLines);
  EXPECT_EQ(fake.serial.closes(), 0);
}

TEST_F(DisableTest, ClosesThePortStopsPollingAndClearsTheLink) {
  Store("DMXInActive", "True");
  StartReady();
  ASSERT_TRUE(window().timCheckDMXIn.Running());
  EXPECT_TRUE(driver.Disable());
  EXPECT_FALSE(fake.serial.IsOpen());
  EXPECT_EQ(fake.serial.closes(), 1);
  EXPECT_FALSE(window().timCheckDMXIn.Enabled());
  EXPECT_EQ(fake.events.ActiveTimers(), 0u);
  EXPECT_FALSE(state().TransmitterReady);
  EXPECT_TRUE(state().DMXInActive) << "the setting itself stays";
  EXPECT_EQ(trace(), kDisableLines);
  EXPECT_TRUE(driver.Disable());
  EXPECT_EQ(fake.serial.closes(), 1);
}

TEST_F(DisableTest, PortLeftOpenByAFailedEnableIsClosed) {
  Init();
  ASSERT_FALSE(driver.Enable());
  ASSERT_TRUE(fake.serial.IsOpen());
  EXPECT_TRUE(driver.Disable());
  EXPECT_FALSE(fake.serial.IsOpen());
}

TEST_F(ConfigureTest, LeavesPollingOnExactlyWhenDMXInputIsOn) {
  Store("DMXInActive", "True");
  Init();
  fake.trace.Clear();
  EXPECT_FALSE(driver.Configure());
  EXPECT_TRUE(window().timCheckDMXIn.Enabled());
  EXPECT_TRUE(state().DMXInActive);

  state().DMXInActive = false;
  EXPECT_FALSE(driver.Configure());
  EXPECT_FALSE(window().timCheckDMXIn.Enabled());
  EXPECT_FALSE(state().DMXInActive);
  EXPECT_TRUE(trace().empty()) << "Configure writes no trace";
}

TEST_F(ConfigureTest, TouchesNeitherThePortNorTheLink) {
  StartReady();
  EXPECT_FALSE(driver.Configure());
  EXPECT_TRUE(state().TransmitterReady);
  EXPECT_TRUE(fake.serial.IsOpen());
  EXPECT_EQ(fake.serial.opens().size(), 1u);
  EXPECT_TRUE(fake.serial.writes().empty());
  EXPECT_TRUE(fake.messages.shown().empty());
  EXPECT_TRUE(driver.SetChannel(2, 3));
}

TEST(PluginName, IsTheTransmittersName) {
  fake::FakePlatform fake;
  DriverModule module{fake.platform};
  const clsOutputDriver driver{module};
  EXPECT_EQ(driver.PluginName(), "Quorvix Transmitter");
  EXPECT_TRUE(fake.trace.lines().empty());
}

}  // namespace
}  // namespace quorvix::test
