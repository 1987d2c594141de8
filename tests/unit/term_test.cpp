#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace quorvix::test {
namespace {

using KeyValue = std::pair<std::string, std::string>;

class TermTest : public DriverTest {
 protected:
  std::vector<KeyValue> Written() const {
    std::vector<KeyValue> written;
    for (const fake::StoreAccess& w : fake.store.writes()) {
      EXPECT_EQ(w.application, kTitle);
      EXPECT_EQ(w.section, kSection);
      written.emplace_back(w.key, w.value);
    }
    return written;
  }
};

TEST_F(TermTest, WritesTheFiveSettingsInOrder) {
  Init();
  EXPECT_FALSE(driver.Term());
  EXPECT_EQ(Written(), (std::vector<KeyValue>{{"ComPort", "1"},
                                              {"ComSettings", "19200,n,8,1"},
                                              {"DMXInActive", "False"},
                                              {"DMXInChannels", "50"},
                                              {"DMXInInterval", "50"}}));
  EXPECT_EQ(fake.store.write_attempts(), 1) << "one write holds all five";
  EXPECT_EQ(trace(), (std::vector<std::string>{
                         "[Quorvix] Init: Begin", "[Quorvix] Init: End",
                         "[Quorvix] Term: Begin", "[Quorvix] Term: End"}));
}

TEST_F(TermTest, WritesTheLiveValuesInTheirOwnTextForms) {
  Store("ComPort", " +12.5 ");
  Store("ComSettings", "38400,E,7,2");
  Store("DMXInActive", "-1");
  Store("DMXInChannels", " 300 ");
  Store("DMXInInterval", "20.5");
  Init();
  EXPECT_FALSE(driver.Term());
  EXPECT_EQ(Written(), (std::vector<KeyValue>{{"ComPort", "12"},
                                              {"ComSettings", "38400,E,7,2"},
                                              {"DMXInActive", "True"},
                                              {"DMXInChannels", "300"},
                                              {"DMXInInterval", "20"}}));

  // Values changed since Init (as the dialog would) are what Term saves.
  fake.store.ClearLogs();
  Init();
  window().comMain.SetCommPort(255);
  window().comMain.SetSettings("9600,n,8,1");
  state().DMXInActive = false;
  state().DMXInChannels = -7;
  window().timCheckDMXIn.SetInterval(65535);
  driver.Term();
  EXPECT_EQ(Written(), (std::vector<KeyValue>{{"ComPort", "255"},
                                              {"ComSettings", "9600,n,8,1"},
                                              {"DMXInActive", "False"},
                                              {"DMXInChannels", "-7"},
                                              {"DMXInInterval", "65535"}}));
  EXPECT_EQ(*Stored("DMXInInterval"), "65535");
}

TEST_F(TermTest, NothingIsWrittenBeforeTerm) {
  StartReady();
  driver.SetChannel(1, 2);
  driver.Configure();
  driver.Disable();
  EXPECT_TRUE(fake.store.writes().empty());
  EXPECT_EQ(fake.store.write_attempts(), 0);
}

TEST_F(TermTest, ClosesThePortStopsPollingAndLetsGoOfTheHelper) {
  Store("DMXInActive", "True");
  auto helper = std::make_shared<fake::FakeHelper>();
  const std::weak_ptr<fake::FakeHelper> seen = helper;
  Store("ComSettings", "38400,n,8,1");
  Init(std::move(helper));
  TransmitterAnswers({fake::InPump(1, "G")});
  ASSERT_TRUE(driver.Enable());
  ASSERT_TRUE(window().timCheckDMXIn.Enabled());

  EXPECT_FALSE(driver.Term());
  EXPECT_FALSE(fake.serial.IsOpen());
  EXPECT_FALSE(window().comMain.PortOpen());
  EXPECT_FALSE(window().timCheckDMXIn.Enabled());
  EXPECT_EQ(fake.events.ActiveTimers(), 0u);
  EXPECT_TRUE(seen.expired());
  EXPECT_TRUE(state().TransmitterReady) << "Term leaves the flag alone";
  EXPECT_TRUE(module.HasMainWindow());
  EXPECT_FALSE(module.Busy());
}

TEST_F(TermTest, AStoreFailureLeavesEveryStoredValueAsItWas) {
  // The five values go to the store in one write, so a store that fails
  // (or a process that dies) part way never leaves old and new mixed.
  const std::vector<KeyValue> before{{"ComPort", "3"},
                                     {"ComSettings", "38400,n,8,1"},
                                     {"DMXInActive", "True"},
                                     {"DMXInChannels", "20"},
                                     {"DMXInInterval", "40"}};
  for (const char* failing : {"ComPort", "DMXInActive"}) {
    for (const auto& [key, value] : before) Store(key, value);
    auto helper = std::make_shared<fake::FakeHelper>();
    const std::weak_ptr<fake::FakeHelper> seen = helper;
    StartReady();
    Init(std::move(helper));
    window().comMain.SetCommPort(7);
    window().comMain.SetSettings("9600,n,8,1");
    state().DMXInActive = false;
    state().DMXInChannels = 100;
    window().timCheckDMXIn.SetInterval(25);
    fake.trace.Clear();
    fake.store.ClearLogs();
    fake.store.FailWriteOf(failing);

    const Error error = Caught([&] { driver.Term(); });
    EXPECT_EQ(error.number(), kStoreFailure);
    EXPECT_TRUE(fake.store.writes().empty()) << failing;
    for (const auto& [key, value] : before) {
      EXPECT_EQ(Stored(key), value) << key << " with " << failing << " failing";
    }
    EXPECT_EQ(trace(), (std::vector<std::string>{"[Quorvix] Term: Begin"}));
    // What comes before the writing has happened all the same.
    EXPECT_FALSE(fake.serial.IsOpen());
    EXPECT_TRUE(seen.expired());
  }
}

}  // namespace
}  // namespace quorvix::test
