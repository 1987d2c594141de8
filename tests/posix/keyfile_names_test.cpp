#include "platform/posix/keyfile_names.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quorvix::test {
namespace {

using namespace quorvix::posix;

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// Every string of up to two bytes.
std::vector<std::string> ShortStrings() {
  std::vector<std::string> all{""};
  for (int a = 0; a < 256; ++a) {
    all.emplace_back(1, static_cast<char>(a));
    for (int b = 0; b < 256; ++b) {
      all.push_back({static_cast<char>(a), static_cast<char>(b)});
    }
  }
  return all;
}

TEST(EscapeTitle, KeepsPlainTitlesAndEscapesTheRest) {
  EXPECT_EQ(EscapeTitle("Quorvix Show 1.0"), "Quorvix Show 1.0");
  EXPECT_EQ(EscapeTitle("Light-Desk_2"), "Light-Desk_2");
  EXPECT_EQ(EscapeTitle("../x"), "%2E.%2Fx");
  EXPECT_EQ(EscapeTitle("/"), "%2F");
  EXPECT_EQ(EscapeTitle(".hidden"), "%2Ehidden");
  EXPECT_EQ(EscapeTitle("100%"), "100%25");
  EXPECT_EQ(EscapeTitle("B\xC3\xBChne"), "B%C3%BChne");
  EXPECT_EQ(EscapeTitle(std::string("a\0b~", 4)), "a%00b%7E");
  EXPECT_EQ(EscapeTitle(""), "");
}

TEST(EscapeTitle, IsInjectiveAndStaysInTheFolder) {
  std::set<std::string> names;
  for (const std::string& title : ShortStrings()) {
    const std::string name = EscapeTitle(title);
    EXPECT_THAT(name, Not(HasSubstr("/"))) << title;
    EXPECT_THAT(name, Not(StartsWith("."))) << title;
    names.insert(name);
  }
  EXPECT_EQ(names.size(), ShortStrings().size());
  EXPECT_NE(EscapeTitle("a/b"), EscapeTitle("a%2Fb"));
}

TEST(EscapeTitle, CutsLongNamesAndAddsTheHashOfTheWholeTitle) {
  EXPECT_EQ(EscapeTitle(std::string(200, 'a')), std::string(200, 'a'));
  EXPECT_EQ(EscapeTitle(std::string(300, 'a')),
            std::string(200, 'a') + "~9835fa6bf4e20a9b");
  // 67 escaped slashes are 201 bytes: the cut falls inside an escape.
  std::string slashes;
  for (int i = 0; i < 66; ++i) slashes += "%2F";
  EXPECT_EQ(EscapeTitle(std::string(67, '/')), slashes + "%2~3eb1349aab9dc074");
  // Titles that share their first 200 escaped bytes still differ.
  EXPECT_NE(EscapeTitle(std::string(300, 'a') + "x"),
            EscapeTitle(std::string(300, 'a') + "y"));
  EXPECT_LE(EscapeTitle(std::string(5000, '\xff')).size(), 217u);
}

TEST(EscapeGroup, EscapesOnlyWhatAGroupNameCannotHold) {
  EXPECT_EQ(EscapeGroup("Settings"), "Settings");
  EXPECT_EQ(EscapeGroup(" a.b/c "), " a.b/c ");
  EXPECT_EQ(EscapeGroup("a[b]"), "a%5Bb%5D");
  EXPECT_EQ(EscapeGroup("50%"), "50%25");
  EXPECT_EQ(EscapeGroup("x\ny\t\x7F"), "x%0Ay%09%7F");
  EXPECT_EQ(EscapeGroup("B\xC3\xBChne \xE2\x82\xAC"),
            "B\xC3\xBChne \xE2\x82\xAC");
  EXPECT_EQ(EscapeGroup("\xFF\xC3"), "%FF%C3");
  EXPECT_EQ(EscapeGroup("\xED\xA0\x80"), "%ED%A0%80");  // a surrogate
  EXPECT_EQ(EscapeGroup(""), "%");
}

TEST(EscapeGroup, IsInjective) {
  std::set<std::string> names;
  for (const std::string& section : ShortStrings()) {
    names.insert(EscapeGroup(section));
  }
  EXPECT_EQ(names.size(), ShortStrings().size());
  EXPECT_NE(EscapeGroup("[x]"), EscapeGroup("%5Bx%5D"));
}

}  // namespace
}  // namespace quorvix::test
