#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/frames.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

using SharedStateTest = DriverTest;

TEST_F(SharedStateTest, SecondDriverObjectSharesTheLinkAndThePort) {
  StartReady();
  clsOutputDriver second{module};
  EXPECT_TRUE(second.SetChannel(9, 99)) << "no Init of its own needed";
  EXPECT_EQ(fake.serial.writes(),
            (std::vector<std::string>{ChannelFrame(9, 99)}));

  EXPECT_TRUE(second.Disable());
  EXPECT_FALSE(driver.SetChannel(9, 99));
  EXPECT_FALSE(fake.serial.IsOpen());

  EXPECT_TRUE(second.Enable());
  EXPECT_TRUE(driver.SetChannel(9, 98));
  EXPECT_EQ(fake.serial.opens().size(), 2u);
}

TEST_F(SharedStateTest, DestroyingADriverObjectStopsNothing) {
  Store("DMXInActive", "True");
  StartReady();
  {
    clsOutputDriver second{module};
    second.SetChannel(1, 1);
  }
  EXPECT_TRUE(fake.serial.IsOpen());
  EXPECT_TRUE(window().timCheckDMXIn.Running());
  EXPECT_TRUE(driver.SetChannel(1, 2));
}

TEST_F(SharedStateTest, SecondInitReadsItsOwnAddressIntoTheSharedState) {
  Store("DMXInChannels", "12");
  Init();
  fake.store.Set("Other Host", "Plugins\\other.dll", "DMXInChannels", "99");
  clsOutputDriver second{module};
  second.Init("Other Host", "other.dll", nullptr);
  EXPECT_EQ(state().DMXInChannels, 99);
}

TEST_F(SharedStateTest, BusyWhileAPortIsOpenPollingRunsOrAHelperIsHeld) {
  EXPECT_FALSE(module.Busy());
  Init(std::make_shared<fake::FakeHelper>());
  EXPECT_TRUE(module.Busy());
  driver.Term();
  EXPECT_FALSE(module.Busy());

  Init();
  window().comMain.SetPortOpen(true);
  EXPECT_TRUE(module.Busy());
  driver.Disable();
  EXPECT_FALSE(module.Busy());
}

TEST(DriverModuleLifetime,
     EndingTheModuleClosesThePortStopsPollingAndReleasesTheHelper) {
  fake::FakePlatform fake;
  bool released = false;
  {
    DriverModule module{fake.platform};
    clsOutputDriver driver{module};
    fake.store.Set(kTitle, kSection, "DMXInActive", "True");
    fake.store.Set(kTitle, kSection, "ComSettings", "38400,n,8,1");
    driver.Init(kTitle, kFile,
                std::make_shared<fake::FakeHelper>([&] { released = true; }));
    fake.serial.OnWrite("c?", {fake::InPump(1, "G")});
    ASSERT_TRUE(driver.Enable());
    fake.serial.Deliver("late bytes");  // notification still queued
  }
  EXPECT_TRUE(released);
  EXPECT_FALSE(fake.serial.IsOpen());
  EXPECT_EQ(fake.events.ActiveTimers(), 0u);
  const int notifications = fake.serial.notifications();
  fake.events.RunFor(1s);
  EXPECT_EQ(fake.serial.notifications(), notifications)
      << "nothing runs into a dead module";
}

}  // namespace
}  // namespace quorvix::test
