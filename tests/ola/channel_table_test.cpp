// The wanted/sent table: what goes to the transmitter, and in which order.

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "channel_table.h"

namespace quorvix::ola_bridge {
namespace {

// Sends (marks as sent) up to `count` pending channels; returns them.
std::vector<ChannelValue> Send(ChannelTable& table, std::size_t count) {
  std::vector<ChannelValue> sent;
  while (sent.size() < count) {
    const auto next = table.NextPending();
    if (!next) break;
    table.MarkSent(*next);
    sent.push_back(*next);
  }
  return sent;
}

std::vector<ChannelValue> SendAll(ChannelTable& table) {
  return Send(table, 10'000);
}

std::vector<std::uint8_t> Frame(std::size_t size, std::uint8_t value) {
  return std::vector<std::uint8_t>(size, value);
}

TEST(ChannelTableTest, TheFirstFrameSendsEveryChannelOnceInChannelOrder) {
  ChannelTable table;
  EXPECT_FALSE(table.NextPending());  // nothing is known before a frame
  EXPECT_EQ(table.PendingCount(), 0u);

  const std::vector<std::uint8_t> frame{7, 0, 9};
  table.Update(frame);
  EXPECT_EQ(table.PendingCount(), 512u);
  const std::vector<ChannelValue> sent = SendAll(table);
  ASSERT_EQ(sent.size(), 512u);
  EXPECT_EQ(sent[0], (ChannelValue{1, 7}));
  EXPECT_EQ(sent[1], (ChannelValue{2, 0}));  // equal to "sent" yet still sent
  EXPECT_EQ(sent[2], (ChannelValue{3, 9}));
  for (std::size_t i = 3; i < sent.size(); ++i) {
    EXPECT_EQ(sent[i], (ChannelValue{static_cast<int>(i) + 1, 0}));
  }
  EXPECT_FALSE(table.NextPending());
}

TEST(ChannelTableTest, LaterFramesSendOnlyDifferencesWithTheLatestValue) {
  ChannelTable table;
  table.Update(Frame(512, 1));
  SendAll(table);

  table.Update(Frame(512, 1));  // the same frame again
  EXPECT_FALSE(table.NextPending());

  std::vector<std::uint8_t> frame = Frame(512, 1);
  frame[4] = 50;
  frame[99] = 60;
  table.Update(frame);
  frame[4] = 55;  // changes again before it could be sent
  table.Update(frame);
  EXPECT_EQ(SendAll(table), (std::vector<ChannelValue>{{5, 55}, {100, 60}}));

  // A short frame leaves the channels past its end as they were wanted.
  const std::vector<std::uint8_t> short_frame{2, 2};
  table.Update(short_frame);
  EXPECT_EQ(SendAll(table), (std::vector<ChannelValue>{{1, 2}, {2, 2}}));

  // Bytes past channel 512 are not channels.
  table.Update(Frame(600, 1));
  EXPECT_EQ(SendAll(table),
            (std::vector<ChannelValue>{{5, 1}, {100, 1}, {1, 1}, {2, 1}}));
}

TEST(ChannelTableTest, AChannelNotMarkedSentStaysFirstInLine) {
  ChannelTable table;
  table.Update(Frame(512, 0));
  SendAll(table);
  std::vector<std::uint8_t> frame = Frame(512, 0);
  frame[9] = 10;
  frame[19] = 20;
  table.Update(frame);

  // SetChannel failed or returned false: the channel is not marked.
  EXPECT_EQ(table.NextPending(), (ChannelValue{10, 10}));
  EXPECT_EQ(table.NextPending(), (ChannelValue{10, 10}));

  // A value that went out while a newer one arrived stays pending for it.
  frame[9] = 11;
  table.Update(frame);
  table.MarkSent({10, 10});
  EXPECT_EQ(SendAll(table), (std::vector<ChannelValue>{{20, 20}, {10, 11}}));

  EXPECT_THROW(table.MarkSent({0, 1}), std::out_of_range);
  EXPECT_THROW(table.MarkSent({513, 1}), std::out_of_range);
}

TEST(ChannelTableTest, AUniverseChangingFasterThanTheLineReachesEveryChannel) {
  ChannelTable table;
  table.Update(Frame(512, 0));
  SendAll(table);

  // Every frame changes every channel, and the line takes 100 channels
  // between frames: each pass continues after the last channel sent.
  std::vector<int> times_sent(513, 0);
  for (int round = 1; round <= 11; ++round) {
    table.Update(Frame(512, static_cast<std::uint8_t>(round)));
    const std::vector<ChannelValue> sent = Send(table, 100);
    ASSERT_EQ(sent.size(), 100u);
    for (const ChannelValue& value : sent) {
      EXPECT_EQ(value.value, round);  // always the latest value
      ++times_sent[value.channel];
    }
  }
  // 1100 sends over 512 channels: every channel two or three times.
  for (int channel = 1; channel <= 512; ++channel) {
    EXPECT_GE(times_sent[channel], 2) << "channel " << channel;
    EXPECT_LE(times_sent[channel], 3) << "channel " << channel;
  }
  // Once the frames stop, the table ends at the last frame.
  SendAll(table);
  EXPECT_FALSE(table.NextPending());
}

TEST(ChannelTableTest, ResendAllSendsEveryChannelOnceMoreWithItsLatestValue) {
  ChannelTable table;
  std::vector<std::uint8_t> frame = Frame(512, 3);
  table.Update(frame);
  SendAll(table);

  table.ResendAll();  // after a new handshake
  frame[0] = 4;
  table.Update(frame);
  const std::vector<ChannelValue> sent = SendAll(table);
  ASSERT_EQ(sent.size(), 512u);
  EXPECT_EQ(sent[0], (ChannelValue{1, 4}));
  EXPECT_EQ(sent[511], (ChannelValue{512, 3}));
  EXPECT_FALSE(table.NextPending());

  // A resend interrupted by a lost line goes on where it stopped.
  table.ResendAll();
  EXPECT_EQ(Send(table, 10).back(), (ChannelValue{10, 3}));
  EXPECT_EQ(table.NextPending(), (ChannelValue{11, 3}));
  EXPECT_EQ(table.PendingCount(), 502u);
}

}  // namespace
}  // namespace quorvix::ola_bridge
