#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "core/persisted_settings.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

using fake::InPump;

const std::vector<std::string> kKeys{"ComPort", "ComSettings", "DMXInActive",
                                     "DMXInChannels", "DMXInInterval"};

std::vector<std::string> FirstKeys(std::size_t count) {
  return {kKeys.begin(), kKeys.begin() + static_cast<std::ptrdiff_t>(count)};
}

using InitTest = DriverTest;

TEST_F(InitTest, FirstStartTakesTheDefaults) {
  EXPECT_FALSE(module.HasMainWindow());
  EXPECT_FALSE(Init());
  EXPECT_TRUE(module.HasMainWindow());
  EXPECT_EQ(window().comMain.CommPort(), 1);
  EXPECT_EQ(window().comMain.Settings(), "19200,n,8,1");
  EXPECT_FALSE(state().DMXInActive);
  EXPECT_EQ(state().DMXInChannels, 50);
  EXPECT_EQ(window().timCheckDMXIn.Interval(), 50);
  EXPECT_FALSE(window().timCheckDMXIn.Enabled());
  EXPECT_FALSE(state().TransmitterReady);
  EXPECT_EQ(trace(), (std::vector<std::string>{"[Quorvix] Init: Begin",
                                               "[Quorvix] Init: End"}));
}

TEST_F(InitTest, ReadsTheFiveKeysInOrderUnderTheHostsAddressAndWritesNothing) {
  Init();
  EXPECT_EQ(fake.store.ReadKeys(), kKeys);
  for (const fake::StoreAccess& read : fake.store.reads()) {
    EXPECT_EQ(read.application, kTitle);
    EXPECT_EQ(read.section, kSection);
  }
  EXPECT_TRUE(fake.store.writes().empty());
  EXPECT_EQ(fake.serial.open_attempts(), 0);
}

TEST_F(InitTest, AppliesStoredValuesWithoutRangeChecks) {
  Store("ComPort", " 7 ");
  Store("ComSettings", "38400,E,7,2");
  Store("DMXInActive", "TRUE");
  Store("DMXInChannels", "300");
  Store("DMXInInterval", "20");
  Init();
  EXPECT_EQ(window().comMain.CommPort(), 7);
  EXPECT_EQ(window().comMain.Settings(), "38400,E,7,2");
  EXPECT_TRUE(state().DMXInActive);
  EXPECT_EQ(state().DMXInChannels, 300);
  EXPECT_EQ(window().timCheckDMXIn.Interval(), 20);
  EXPECT_FALSE(window().timCheckDMXIn.Enabled()) << "Init starts no polling";

  Store("DMXInChannels", "-5");
  Store("DMXInInterval", "0");
  Store("DMXInActive", "0");
  Init();
  EXPECT_EQ(state().DMXInChannels, -5);
  EXPECT_EQ(window().timCheckDMXIn.Interval(), 0);
  EXPECT_FALSE(state().DMXInActive);
}

TEST_F(InitTest, AddressIsTheTitleAndThePluginsSubsection) {
  const SettingsAddress address = AddressFor("Show \"A\"", "sub\\dir.dll");
  EXPECT_EQ(address.application, "Show \"A\"");
  EXPECT_EQ(address.section, "Plugins\\sub\\dir.dll");
}

struct BadSetting {
  const char* key;
  const char* text;
  int number;
};

void PrintTo(const BadSetting& bad, std::ostream* out) {
  *out << bad.key << "=\"" << bad.text << "\"";
}

class InitBadSettingTest : public DriverTest,
                           public ::testing::WithParamInterface<BadSetting> {};

TEST_P(InitBadSettingTest, FailsAtThatKeyAndReadsNoFurther) {
  const BadSetting bad = GetParam();
  // Good values before it are applied before the failure.
  Store("ComPort", "4");
  Store("ComSettings", "38400,n,8,1");
  Store("DMXInActive", "True");
  Store(bad.key, bad.text);

  const Error error = Caught([&] { Init(); });
  EXPECT_EQ(error.number(), bad.number) << error.what();
  if (*bad.text != '\0') {
    EXPECT_NE(std::string(error.what()).find(bad.text), std::string::npos)
        << "the description should show the stored text: " << error.what();
  }
  const auto position = static_cast<std::size_t>(
      std::find(kKeys.begin(), kKeys.end(), bad.key) - kKeys.begin());
  EXPECT_EQ(fake.store.ReadKeys(), FirstKeys(position + 1));
  EXPECT_EQ(trace(), (std::vector<std::string>{"[Quorvix] Init: Begin"}));
  if (position > 0) {
    EXPECT_EQ(window().comMain.CommPort(), 4);
  }
  if (position > 2) {
    EXPECT_TRUE(state().DMXInActive);
  }
  EXPECT_TRUE(fake.store.writes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryKey, InitBadSettingTest,
    ::testing::Values(
        BadSetting{"ComPort", "abc", kTypeMismatch},
        BadSetting{"ComPort", "", kTypeMismatch},
        BadSetting{"ComPort", "32768", kOverflow},
        BadSetting{"ComPort", "0", kInvalidPropertyValue},
        BadSetting{"ComPort", "256", kInvalidPropertyValue},
        BadSetting{"ComPort", "-1", kInvalidPropertyValue},
        BadSetting{"ComSettings", "19200", kInvalidPropertyValue},
        BadSetting{"ComSettings", "19200,x,8,1", kInvalidPropertyValue},
        BadSetting{"ComSettings", "19200,n,9,1", kInvalidPropertyValue},
        BadSetting{"ComSettings", "19200,n,8,3", kInvalidPropertyValue},
        BadSetting{"ComSettings", "", kInvalidPropertyValue},
        BadSetting{"DMXInActive", "yes", kTypeMismatch},
        BadSetting{"DMXInActive", "", kTypeMismatch},
        BadSetting{"DMXInChannels", "many", kTypeMismatch},
        BadSetting{"DMXInChannels", "2147483648", kOverflow},
        BadSetting{"DMXInInterval", "soon", kTypeMismatch},
        BadSetting{"DMXInInterval", "-1", kInvalidPropertyValue},
        BadSetting{"DMXInInterval", "65536", kInvalidPropertyValue},
        BadSetting{"DMXInInterval", "2147483648", kOverflow}),
    [](const ::testing::TestParamInfo<BadSetting>& info) {
      return std::string(info.param.key) + "_" + std::to_string(info.index);
    });

TEST_F(InitTest, UnreadableStoreFailsInitAtThatKey) {
  fake.store.FailReadOf("DMXInActive");
  EXPECT_EQ(Caught([&] { Init(); }).number(), kStoreFailure);
  EXPECT_EQ(fake.store.ReadKeys(), FirstKeys(3));

  fake.store.FailReads();
  fake.store.ClearLogs();
  EXPECT_EQ(Caught([&] { Init(); }).number(), kStoreFailure);
  EXPECT_EQ(fake.store.ReadKeys(), FirstKeys(1));
}

TEST_F(InitTest, SecondInitLeavesTheOpenPortAloneUntilTheNextOpening) {
  Store("ComPort", "2");
  StartReady();
  Store("ComPort", "6");
  Store("ComSettings", "57600,n,8,1");
  EXPECT_FALSE(Init());
  EXPECT_EQ(window().comMain.CommPort(), 6);
  EXPECT_TRUE(state().TransmitterReady);
  EXPECT_EQ(fake.serial.OpenPort(), 2);
  EXPECT_EQ(fake.serial.closes(), 0);
  EXPECT_TRUE(driver.SetChannel(1, 1))
      << "the link is still up on the old port";

  driver.Disable();
  EXPECT_TRUE(driver.Enable());
  ASSERT_EQ(fake.serial.opens().size(), 2u);
  EXPECT_EQ(fake.serial.opens()[1].port, 6);
  EXPECT_EQ(fake.serial.opens()[1].settings.baud, 57600u);
}

TEST_F(InitTest, SecondInitReplacesTheHelper) {
  auto first = std::make_shared<fake::FakeHelper>();
  const std::weak_ptr<fake::FakeHelper> first_seen = first;
  Init(std::move(first));
  EXPECT_FALSE(first_seen.expired());
  auto second = std::make_shared<fake::FakeHelper>();
  Init(second);
  EXPECT_TRUE(first_seen.expired());
  EXPECT_EQ(state().PluginHelper, second);
  Init(nullptr);
  EXPECT_EQ(state().PluginHelper, nullptr);
}

}  // namespace
}  // namespace quorvix::test
