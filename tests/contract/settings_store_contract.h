#pragma once
// What every settings store keeps, written once and run against each back
// end. A harness owns a store that starts empty and names applications of
// its own (so that a store on the real registry can clean up after itself):
//
//   struct Harness {
//     SettingsStore& store();
//     std::string Application(std::string_view name);
//     // A value this store refuses to write, its key holding "Refused".
//     SettingValue Refused();
//   };
//
// Instantiate with INSTANTIATE_TYPED_TEST_SUITE_P(Name, SettingsStoreContract,
// ::testing::Types<Harness>).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/settings_store.h"

namespace quorvix::contract {

template <typename Harness>
class SettingsStoreContract : public ::testing::Test {
 protected:
  SettingsStore& store() { return harness_.store(); }
  std::string App(std::string_view name) { return harness_.Application(name); }

  Harness harness_;
};

TYPED_TEST_SUITE_P(SettingsStoreContract);

TYPED_TEST_P(SettingsStoreContract, AnAbsentValueGivesTheDefault) {
  const std::string show = this->App("Show");
  EXPECT_EQ(this->store().Read(show, "Settings", "Port", "1"), "1");
  this->store().Write(show, "Settings", {{"Port", "3"}});
  EXPECT_EQ(this->store().Read(show, "Settings", "Baud", ""), "");
  EXPECT_EQ(this->store().Read(show, "Other", "Port", "dflt"), "dflt");
  EXPECT_EQ(this->store().Read(this->App("Other"), "Settings", "Port", "1"),
            "1");
}

TYPED_TEST_P(SettingsStoreContract, ValuesReadBackAsWritten) {
  const std::string show = this->App("Show");
  const std::string values[] = {"",
                                " leading and trailing ",
                                "two\nlines\r\n",
                                "tab\there",
                                "back\\slash",
                                "#not a comment",
                                "[not a section]",
                                "a=b;c",
                                "B\xC3\xBChne \xE2\x82\xAC",
                                std::string(1000, 'v')};
  for (const std::string& value : values) {
    this->store().Write(show, "Settings", {{"Value", value}});
    EXPECT_EQ(this->store().Read(show, "Settings", "Value", "default"), value);
  }
}

// All of one write is there once it returns; what it does not name stays.
TYPED_TEST_P(SettingsStoreContract, AWriteSetsItsValuesAndKeepsTheRest) {
  const std::string show = this->App("Show");
  this->store().Write(show, "Settings",
                      {{"Port", "2"}, {"Baud", "9600,n,8,1"}, {"Mode", "a"}});
  this->store().Write(show, "Settings", {{"Port", "5"}, {"Mode", "b"}});
  EXPECT_EQ(this->store().Read(show, "Settings", "Port", ""), "5");
  EXPECT_EQ(this->store().Read(show, "Settings", "Baud", ""), "9600,n,8,1");
  EXPECT_EQ(this->store().Read(show, "Settings", "Mode", ""), "b");
}

// Each host keeps its own settings, and each plug-in of a host its own.
TYPED_TEST_P(SettingsStoreContract, ApplicationsAndSectionsStayApart) {
  const std::string apps[] = {this->App("Show"), this->App("Show 2"),
                              this->App("Gr\xC3\xBC\xC3\x9F"
                                        "e & [co]"),
                              this->App("a.b")};
  const std::string sections[] = {"Settings", "Plugins\\quorvix.dll",
                                  "Plugins\\other.dll", "odd [=] % #"};
  for (std::size_t a = 0; a < std::size(apps); ++a) {
    for (std::size_t s = 0; s < std::size(sections); ++s) {
      this->store().Write(
          apps[a], sections[s],
          {{"Key", std::to_string(a) + "/" + std::to_string(s)}});
    }
  }
  for (std::size_t a = 0; a < std::size(apps); ++a) {
    for (std::size_t s = 0; s < std::size(sections); ++s) {
      EXPECT_EQ(this->store().Read(apps[a], sections[s], "Key", "?"),
                std::to_string(a) + "/" + std::to_string(s))
          << apps[a] << " / " << sections[s];
    }
  }
}

TYPED_TEST_P(SettingsStoreContract, ARefusedValueIsRefusedBeforeAnyIsSet) {
  const std::string show = this->App("Show");
  this->store().Write(show, "Settings", {{"Port", "2"}});
  try {
    this->store().Write(
        show, "Settings",
        {{"Port", "3"}, this->harness_.Refused(), {"New", "x"}});
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.number(), kStoreFailure);
    EXPECT_THAT(error.what(), ::testing::HasSubstr("Refused"));
  }
  EXPECT_EQ(this->store().Read(show, "Settings", "Port", ""), "2");
  EXPECT_EQ(this->store().Read(show, "Settings", "New", "absent"), "absent");
}

REGISTER_TYPED_TEST_SUITE_P(SettingsStoreContract, AnAbsentValueGivesTheDefault,
                            ValuesReadBackAsWritten,
                            AWriteSetsItsValuesAndKeepsTheRest,
                            ApplicationsAndSectionsStayApart,
                            ARefusedValueIsRefusedBeforeAnyIsSet);

}  // namespace quorvix::contract
