#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/settings_conversion.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

void ExpectErrorNaming(const Error& error, int number, std::string_view key,
                       std::string_view text) {
  EXPECT_EQ(error.number(), number) << error.what();
  const std::string description = error.what();
  EXPECT_NE(description.find(key), std::string::npos) << description;
  EXPECT_NE(description.find(text), std::string::npos) << description;
}

TEST(StoredInteger, AcceptsBlanksSignsAndRoundsFractionsHalfToEven) {
  EXPECT_EQ(StoredInteger("ComPort", "12"), 12);
  EXPECT_EQ(StoredInteger("ComPort", "  12  "), 12);
  EXPECT_EQ(StoredInteger("ComPort", "+7"), 7);
  EXPECT_EQ(StoredInteger("ComPort", "-7"), -7);
  EXPECT_EQ(StoredInteger("ComPort", "007"), 7);
  EXPECT_EQ(StoredInteger("ComPort", "12.5"), 12);
  EXPECT_EQ(StoredInteger("ComPort", "13.5"), 14);
  EXPECT_EQ(StoredInteger("ComPort", "0.5"), 0);
  EXPECT_EQ(StoredInteger("ComPort", "1.5"), 2);
  EXPECT_EQ(StoredInteger("ComPort", "-2.5"), -2);
  EXPECT_EQ(StoredInteger("ComPort", "2.4999"), 2);
  EXPECT_EQ(StoredInteger("ComPort", "2.51"), 3);
  EXPECT_EQ(StoredInteger("ComPort", " -3.7 "), -4);
}

TEST(StoredInteger, OverflowsOutsideSixteenBits) {
  EXPECT_EQ(StoredInteger("ComPort", "32767"), 32767);
  EXPECT_EQ(StoredInteger("ComPort", "-32768"), -32768);
  EXPECT_EQ(StoredInteger("ComPort", "-32768.5"), -32768);  // even neighbour
  for (const char* text :
       {"32768", "-32769", "32767.5", "99999999999999999999"}) {
    ExpectErrorNaming(Caught([&] { StoredInteger("ComPort", text); }),
                      kOverflow, "ComPort", text);
  }
}

TEST(StoredInteger, NonNumericTextIsATypeMismatch) {
  for (const char* text : {"abc", "12abc", "1 2", "--1", "+", "COM1"}) {
    ExpectErrorNaming(Caught([&] { StoredInteger("ComPort", text); }),
                      kTypeMismatch, "ComPort", text);
  }
  for (const char* text : {"", "   "}) {
    EXPECT_EQ(Caught([&] { StoredInteger("ComPort", text); }).number(),
              kTypeMismatch)
        << '"' << text << '"';
  }
}

TEST(StoredLong, CoversThirtyTwoBitsAndOverflowsBeyond) {
  EXPECT_EQ(StoredLong("DMXInChannels", "2147483647"), 2147483647);
  EXPECT_EQ(StoredLong("DMXInChannels", "-2147483648"), -2147483647 - 1);
  EXPECT_EQ(StoredLong("DMXInChannels", " -50 "), -50);
  EXPECT_EQ(StoredLong("DMXInChannels", "40000"), 40000);
  EXPECT_EQ(StoredLong("DMXInChannels", "50.5"), 50);
  EXPECT_EQ(StoredLong("DMXInChannels", "51.5"), 52);
  for (const char* text : {"2147483648", "-2147483649", "2147483647.5"}) {
    ExpectErrorNaming(Caught([&] { StoredLong("DMXInInterval", text); }),
                      kOverflow, "DMXInInterval", text);
  }
  ExpectErrorNaming(Caught([] { StoredLong("DMXInChannels", "fifty"); }),
                    kTypeMismatch, "DMXInChannels", "fifty");
}

TEST(StoredBoolean, AcceptsTrueAndFalseInAnyCase) {
  EXPECT_TRUE(StoredBoolean("DMXInActive", "True"));
  EXPECT_TRUE(StoredBoolean("DMXInActive", "TRUE"));
  EXPECT_TRUE(StoredBoolean("DMXInActive", "tRuE"));
  EXPECT_FALSE(StoredBoolean("DMXInActive", "False"));
  EXPECT_FALSE(StoredBoolean("DMXInActive", "false"));
  EXPECT_FALSE(StoredBoolean("DMXInActive", " FALSE "));
}

TEST(StoredBoolean, TakesNumbersAsZeroFalseOtherTrue) {
  EXPECT_FALSE(StoredBoolean("DMXInActive", "0"));
  EXPECT_FALSE(StoredBoolean("DMXInActive", " 0 "));
  EXPECT_FALSE(StoredBoolean("DMXInActive", "-0"));
  EXPECT_TRUE(StoredBoolean("DMXInActive", "-1"));
  EXPECT_TRUE(StoredBoolean("DMXInActive", "1"));
  EXPECT_TRUE(StoredBoolean("DMXInActive", "2"));
  EXPECT_TRUE(StoredBoolean("DMXInActive", "40000"));
}

TEST(StoredBoolean, OtherWordsAreATypeMismatch) {
  for (const char* text : {"yes", "no", "on", "T", "Truee", "True1", "wahr"}) {
    ExpectErrorNaming(Caught([&] { StoredBoolean("DMXInActive", text); }),
                      kTypeMismatch, "DMXInActive", text);
  }
  EXPECT_EQ(Caught([] { StoredBoolean("DMXInActive", ""); }).number(),
            kTypeMismatch);
}

}  // namespace
}  // namespace quorvix::test
