#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "link/frames.h"
#include "test_support.h"

namespace quorvix::test {
namespace {

constexpr std::int32_t kMinChannel = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMaxChannel = std::numeric_limits<std::int32_t>::max();

TEST(ChannelFrame, CarriesZeroBasedChannelAndValue) {
  EXPECT_EQ(ChannelFrame(1, 255), Bytes({0xFF, 0x00, 0x00, 0x01, 0xFF, 0x00}));
  EXPECT_EQ(ChannelFrame(1, 0), Bytes({0xFF, 0x00, 0x00, 0x01, 0x00, 0x00}));
  EXPECT_EQ(ChannelFrame(5, 200), Bytes({0xFF, 0x04, 0x00, 0x01, 0xC8, 0x00}));
  EXPECT_EQ(ChannelFrame(300, 128),
            Bytes({0xFF, 0x2B, 0x01, 0x01, 0x80, 0x00}));
  EXPECT_EQ(ChannelFrame(512, 7), Bytes({0xFF, 0xFF, 0x01, 0x01, 0x07, 0x00}));
}

TEST(ChannelFrame, KeepsOnlyFifteenBitsOfTheChannel) {
  EXPECT_EQ(ChannelFrame(0, 9), Bytes({0xFF, 0xFF, 0x7F, 0x01, 0x09, 0x00}));
  EXPECT_EQ(ChannelFrame(32768, 9),
            Bytes({0xFF, 0xFF, 0x7F, 0x01, 0x09, 0x00}));
  EXPECT_EQ(ChannelFrame(32769, 9), ChannelFrame(1, 9));
  // Negative channels shift in copies of the sign bit.
  EXPECT_EQ(ChannelFrame(-1, 3), Bytes({0xFF, 0xFE, 0x7F, 0x01, 0x03, 0x00}));
  EXPECT_EQ(ChannelFrame(-255, 3), Bytes({0xFF, 0x00, 0x7F, 0x01, 0x03, 0x00}));
  EXPECT_EQ(ChannelFrame(kMinChannel + 1, 3),
            Bytes({0xFF, 0x00, 0x00, 0x01, 0x03, 0x00}));
  EXPECT_EQ(ChannelFrame(kMaxChannel, 3),
            Bytes({0xFF, 0xFE, 0x7F, 0x01, 0x03, 0x00}));
}

TEST(ChannelFrame, ChannelsThirtyTwoKiloApartGiveTheSameFrame) {
  for (std::int32_t n = -70000; n <= 70000; n += 13) {
    ASSERT_EQ(ChannelFrame(n, 42), ChannelFrame(n + 32768, 42))
        << "channel " << n;
  }
  EXPECT_EQ(ChannelFrame(kMaxChannel - 32768, 1), ChannelFrame(kMaxChannel, 1));
  EXPECT_EQ(ChannelFrame(kMinChannel + 1, 1),
            ChannelFrame(kMinChannel + 32769, 1));
}

TEST(ChannelFrame, ValueOutsideAByteIsAnInvalidArgument) {
  for (const std::int32_t value :
       {256, -1, 1000, std::numeric_limits<std::int32_t>::max(),
        std::numeric_limits<std::int32_t>::min()}) {
    const Error error = Caught([&] { ChannelFrame(1, value); });
    EXPECT_EQ(error.number(), kInvalidArgument) << value;
    EXPECT_NE(std::string(error.what()).find(std::to_string(value)),
              std::string::npos)
        << "the description should name " << value << ": " << error.what();
  }
}

TEST(ChannelFrame,
     ChannelThatCannotBeReducedByOneOverflowsBeforeTheValueIsChecked) {
  EXPECT_EQ(Caught([] { ChannelFrame(kMinChannel, 0); }).number(), kOverflow);
  EXPECT_EQ(Caught([] { ChannelFrame(kMinChannel, 256); }).number(), kOverflow);
  EXPECT_EQ(Caught([] { ChannelFrame(kMinChannel, -1); }).number(), kOverflow);
}

TEST(DMXInRequest, IsFcZeroZeroCount) {
  EXPECT_EQ(DMXInRequest(50), Bytes({0xFC, 0x00, 0x00, 0x32}));
  EXPECT_EQ(DMXInRequest(0), Bytes({0xFC, 0x00, 0x00, 0x00}));
  EXPECT_EQ(DMXInRequest(255), Bytes({0xFC, 0x00, 0x00, 0xFF}));
}

}  // namespace
}  // namespace quorvix::test
