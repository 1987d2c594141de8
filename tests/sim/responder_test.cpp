#include "responder.h"

#include <gtest/gtest.h>

namespace quorvix::test {
namespace {

using namespace quorvix::sim;

TEST(Responder, DmxInReplyIsTheFirstNInputChannelsAndTheTrailer) {
  Universe input;
  input.Set(1, 0x10);
  input.Set(3, 0x30);
  input.Set(255, 0xEE);
  input.Set(256, 0x99);
  Responder responder;
  const auto three = responder.ReplyTo(DmxInRequest{3}, input);
  ASSERT_TRUE(three);
  EXPECT_EQ(three->kind, "dmxin");
  EXPECT_EQ(three->bytes, (Bytes{0x10, 0x00, 0x30, 0x00}));
  EXPECT_EQ(responder.ReplyTo(DmxInRequest{0}, input)->bytes, (Bytes{0x00}));
  const auto all = responder.ReplyTo(DmxInRequest{255}, input);
  ASSERT_EQ(all->bytes.size(), 256u);
  EXPECT_EQ(all->bytes[254], 0xEE);
  EXPECT_EQ(all->bytes[255], 0x00)
      << "channel 256 is never sent; the trailer is";
  responder.trailer = 0x5A;
  EXPECT_EQ(responder.ReplyTo(DmxInRequest{1}, input)->bytes,
            (Bytes{0x10, 0x5A}));
}

TEST(Responder, TextRequestsAndTheHandshake) {
  const Universe input;
  Responder responder;
  EXPECT_EQ(responder.ReplyTo(HandshakeQuery{}, input)->bytes, (Bytes{'G'}));
  responder.handshake_reply = {'G', '\r'};
  EXPECT_EQ(responder.ReplyTo(HandshakeQuery{}, input)->bytes,
            (Bytes{'G', '\r'}));
  const auto info = responder.ReplyTo(InfoRequest{}, input);
  EXPECT_EQ(info->kind, "info");
  EXPECT_EQ(std::string(info->bytes.begin(), info->bytes.end()), kInfoText);
  const auto setup = responder.ReplyTo(SetupRequest{}, input);
  EXPECT_EQ(setup->kind, "setup");
  EXPECT_EQ(std::string(setup->bytes.begin(), setup->bytes.end()), kSetupText);
}

TEST(Responder, NothingAnswersFramesStrayBytesOrASilentTransmitter) {
  const Universe input;
  Responder responder;
  EXPECT_FALSE(responder.ReplyTo(ChannelFrame{1, 1}, input));
  EXPECT_FALSE(responder.ReplyTo(UnknownByte{'x'}, input));
  EXPECT_FALSE(responder.ReplyTo(Malformed{{0xFF}}, input));
  responder.silent = true;
  for (const Event& request : {Event{HandshakeQuery{}}, Event{DmxInRequest{4}},
                               Event{InfoRequest{}}, Event{SetupRequest{}}}) {
    EXPECT_FALSE(responder.ReplyTo(request, input));
    EXPECT_TRUE(Responder::KindOf(request));
  }
}

}  // namespace
}  // namespace quorvix::test
