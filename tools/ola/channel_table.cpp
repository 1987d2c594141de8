#include "channel_table.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace quorvix::ola_bridge {

void ChannelTable::Update(std::span<const std::uint8_t> frame) {
  const std::size_t count =
      std::min(frame.size(), static_cast<std::size_t>(kChannels));
  std::copy_n(frame.begin(), count, wanted_.begin());
  have_frame_ = true;
}

void ChannelTable::ResendAll() { resend_.fill(true); }

bool ChannelTable::Pending(std::size_t index) const {
  return resend_[index] || wanted_[index] != sent_[index];
}

std::optional<ChannelValue> ChannelTable::NextPending() const {
  if (!have_frame_) return std::nullopt;
  for (std::size_t step = 0; step < kChannels; ++step) {
    const std::size_t index = (cursor_ + step) % kChannels;
    if (Pending(index)) {
      return ChannelValue{static_cast<int>(index) + 1, wanted_[index]};
    }
  }
  return std::nullopt;
}

void ChannelTable::MarkSent(ChannelValue sent) {
  if (sent.channel < 1 || sent.channel > kChannels) {
    throw std::out_of_range("channel " + std::to_string(sent.channel) +
                            " is outside 1..512");
  }
  const auto index = static_cast<std::size_t>(sent.channel - 1);
  sent_[index] = sent.value;
  // A value sent out of date leaves the channel pending for the new one.
  if (sent.value == wanted_[index]) resend_[index] = false;
  cursor_ = (index + 1) % kChannels;
}

std::size_t ChannelTable::PendingCount() const {
  if (!have_frame_) return 0;
  std::size_t count = 0;
  for (std::size_t index = 0; index < kChannels; ++index) {
    count += Pending(index) ? 1 : 0;
  }
  return count;
}

}  // namespace quorvix::ola_bridge
