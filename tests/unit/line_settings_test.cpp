#include <gtest/gtest.h>

#include <string>

#include "link/line_settings.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

TEST(ParseLineSettings, ReadsBaudParityDataAndStopBits) {
  const LineSettings usual = ParseLineSettings("19200,n,8,1");
  EXPECT_EQ(usual.baud, 19200u);
  EXPECT_EQ(usual.parity, Parity::kNone);
  EXPECT_EQ(usual.data_bits, 8);
  EXPECT_EQ(usual.stop_bits, StopBits::kOne);

  const LineSettings even = ParseLineSettings("38400,E,7,2");
  EXPECT_EQ(even.baud, 38400u);
  EXPECT_EQ(even.parity, Parity::kEven);
  EXPECT_EQ(even.data_bits, 7);
  EXPECT_EQ(even.stop_bits, StopBits::kTwo);

  const LineSettings odd = ParseLineSettings("9600,o,5,1.5");
  EXPECT_EQ(odd.parity, Parity::kOdd);
  EXPECT_EQ(odd.data_bits, 5);
  EXPECT_EQ(odd.stop_bits, StopBits::kOnePointFive);

  EXPECT_EQ(ParseLineSettings("9600,m,8,1").parity, Parity::kMark);
  EXPECT_EQ(ParseLineSettings("9600,S,8,1").parity, Parity::kSpace);
  EXPECT_EQ(ParseLineSettings("9600,N,4,1").data_bits, 4);
}

TEST(ParseLineSettings, RefusesWhatTheSerialControlRefuses) {
  for (const char* text :
       {"19200", "19200,x,8,1", "19200,n,9,1", "19200,n,3,1", "19200,n,8,3",
        "abc,n,8,1", "-19200,n,8,1", "", "19200;n;8;1"}) {
    const Error error = Caught([&] { ParseLineSettings(text); });
    EXPECT_EQ(error.number(), kInvalidPropertyValue) << '"' << text << '"';
    EXPECT_NE(std::string(error.what()).find(text), std::string::npos)
        << "the description should show the text: " << error.what();
  }
}

TEST(LeadingBaudRate, IsTheNumberAtTheStartOfTheFirstField) {
  EXPECT_EQ(LeadingBaudRate("38400,n,8,1"), 38400);
  EXPECT_EQ(LeadingBaudRate("19200,n,8,1"), 19200);
  EXPECT_EQ(LeadingBaudRate("57600"), 57600);
  EXPECT_EQ(LeadingBaudRate("9600x,n,8,1"), 9600);
  EXPECT_EQ(LeadingBaudRate("abc,n,8,1"), 0);
  EXPECT_EQ(LeadingBaudRate(",38400"), 0);
  EXPECT_EQ(LeadingBaudRate(""), 0);
}

TEST(LeadingBaudRate, SkipsLeadingBlanksAndNothingElse) {
  EXPECT_EQ(LeadingBaudRate(" 38400,n,8,1"), 38400);
  EXPECT_EQ(LeadingBaudRate("   57600"), 57600);
  EXPECT_EQ(LeadingBaudRate("\t38400,n,8,1"), 0);
  EXPECT_EQ(LeadingBaudRate("+38400,n,8,1"), 0);
  EXPECT_EQ(LeadingBaudRate(" ,38400"), 0);
}

}  // namespace
}  // namespace quorvix::test
