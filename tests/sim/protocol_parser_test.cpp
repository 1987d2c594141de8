#include "protocol_parser.h"

#include <gtest/gtest.h>

namespace quorvix::test {
namespace {

using namespace quorvix::sim;

std::vector<Event> ParseAll(const Bytes& bytes) {
  ProtocolParser parser;
  std::vector<Event> events;
  parser.Feed(bytes, events);
  return events;
}

std::vector<Event> ParseByteByByte(const Bytes& bytes) {
  ProtocolParser parser;
  std::vector<Event> events;
  for (const std::uint8_t b : bytes) parser.Feed(std::span(&b, 1), events);
  return events;
}

TEST(ProtocolParser, ChannelFramesDecodeTheZeroBasedChannel) {
  const Bytes stream{
      0xFF, 0x00, 0x00, 0x01, 0xFF, 0x00,   // channel 1
      0xFF, 0x2B, 0x01, 0x01, 0x80, 0x00,   // channel 300
      0xFF, 0xFF, 0x01, 0x01, 0x07, 0x00,   // channel 512: low byte FF
      0xFF, 0x00, 0x02, 0x01, 0x01, 0x00,   // channel 513
      0xFF, 0xFF, 0x7F, 0x01, 0x05, 0x00,   // channel 0 as the driver sends it
      0xFF, 0x01, 0x80, 0x01, 0x09, 0x00};  // bit 15 of hi is not part of it
  const std::vector<Event> expected{
      ChannelFrame{1, 255}, ChannelFrame{300, 128}, ChannelFrame{512, 7},
      ChannelFrame{513, 1}, ChannelFrame{32768, 5}, ChannelFrame{2, 9}};
  EXPECT_EQ(ParseAll(stream), expected);
}

TEST(ProtocolParser, EveryRequestKindIsRecognised) {
  const Bytes stream{'c',  '?',  0xFC, 0x00, 0x00, 0x32, 'I',  'S',
                     0xFC, 0x00, 0x00, 0x00, 0xFC, 0x00, 0x00, 0xFF};
  const std::vector<Event> expected{HandshakeQuery{}, DmxInRequest{50},
                                    InfoRequest{},    SetupRequest{},
                                    DmxInRequest{0},  DmxInRequest{255}};
  EXPECT_EQ(ParseAll(stream), expected);
}

TEST(ProtocolParser, RequestsSplitAcrossReadsGiveTheSameEvents) {
  const Bytes stream{0xFF, 0x04, 0x00, 0x01, 0xC8, 0x00, 'c',  '?',  0xFC, 0x00,
                     0x00, 0x03, 0xFF, 0xFF, 0x00, 0x01, 0xFF, 0x00, 'x'};
  const std::vector<Event> expected{ChannelFrame{5, 200}, HandshakeQuery{},
                                    DmxInRequest{3}, ChannelFrame{256, 255},
                                    UnknownByte{'x'}};
  EXPECT_EQ(ParseByteByByte(stream), expected);
  ProtocolParser parser;
  std::vector<Event> events;
  parser.Feed(std::span(stream).first(4), events);
  EXPECT_TRUE(events.empty()) << "an unfinished frame gives no event";
  parser.Feed(std::span(stream).subspan(4, 5), events);
  parser.Feed(std::span(stream).subspan(9), events);
  EXPECT_EQ(events, expected);
}

TEST(ProtocolParser, StrayBytesAreUnknownOneByOne) {
  const Bytes stream{'G', 'c',  'x',  'c',  'c',  '?',  0x00,
                     'c', 0xFF, 0x00, 0x00, 0x01, 0x01, 0x00};
  const std::vector<Event> expected{UnknownByte{'G'}, UnknownByte{'c'},
                                    UnknownByte{'x'}, UnknownByte{'c'},
                                    HandshakeQuery{}, UnknownByte{0x00},
                                    UnknownByte{'c'}, ChannelFrame{1, 1}};
  EXPECT_EQ(ParseAll(stream), expected);
  EXPECT_EQ(ParseByteByByte(stream), expected);
}

TEST(ProtocolParser, MalformedFramesResynchroniseAtTheNextFF) {
  // Wrong byte 3: dropped at once; "c?" before the next FF is skipped.
  const Bytes wrong_third{0xFF, 0x00, 0x00, 0x02, 'c',  '?',
                          0xFF, 0x00, 0x00, 0x01, 0x11, 0x00};
  const std::vector<Event> expected_third{Malformed{{0xFF, 0x00, 0x00, 0x02}},
                                          Discarded{{'c', '?'}},
                                          ChannelFrame{1, 0x11}};
  EXPECT_EQ(ParseAll(wrong_third), expected_third);

  // Wrong byte 5, with the next frame starting right after it.
  const Bytes wrong_fifth{0xFF, 0x00, 0x00, 0x01, 0x22, 0x07,
                          0xFF, 0x01, 0x00, 0x01, 0x33, 0x00};
  const std::vector<Event> expected_fifth{
      Malformed{{0xFF, 0x00, 0x00, 0x01, 0x22, 0x07}}, ChannelFrame{2, 0x33}};
  EXPECT_EQ(ParseAll(wrong_fifth), expected_fifth);

  // An FF inside the broken frame is where the next frame starts.
  const Bytes inner_start{0xFF, 0x00, 0xFF, 0x00, 0x00, 0x01, 0x44, 0x00};
  const std::vector<Event> expected_inner{Malformed{{0xFF, 0x00}},
                                          ChannelFrame{1, 0x44}};
  EXPECT_EQ(ParseAll(inner_start), expected_inner);
  EXPECT_EQ(ParseByteByByte(inner_start), expected_inner);
}

TEST(ProtocolParser, MalformedDmxInRequestsResynchroniseToo) {
  const Bytes stream{0xFC, 0x00, 0x01, 0x05, 'I', 0xFF,
                     0x00, 0x00, 0x01, 0x01, 0x00};
  const std::vector<Event> expected{Malformed{{0xFC, 0x00, 0x01}},
                                    Discarded{{0x05, 'I'}}, ChannelFrame{1, 1}};
  EXPECT_EQ(ParseAll(stream), expected);
}

TEST(ProtocolParser, SkippedBytesAreReportedPerFeedAndInBoundedPieces) {
  ProtocolParser parser;
  std::vector<Event> events;
  const Bytes broken{0xFF, 0x00, 0x00, 0x00};
  parser.Feed(broken, events);
  const Bytes garbage(1000, 0x42);
  parser.Feed(garbage, events);
  std::size_t skipped = 0;
  for (std::size_t i = 1; i < events.size(); ++i) {
    const auto& piece = std::get<Discarded>(events[i]).bytes;
    EXPECT_LE(piece.size(), 256u);
    skipped += piece.size();
  }
  EXPECT_EQ(skipped, garbage.size());
}

}  // namespace
}  // namespace quorvix::test
