#pragma once
// The values OLA wants on the transmitter against the values last sent
// successfully. Only differences go out, in channel order from where the
// last send stopped, so a universe that changes faster than the line can
// carry still reaches every channel in turn and ends at its latest values.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quorvix::ola_bridge {

inline constexpr int kChannels = 512;

struct ChannelValue {
  int channel;  // 1..512
  std::uint8_t value;
  bool operator==(const ChannelValue&) const = default;
};

class ChannelTable {
 public:
  // Every channel goes out once when the first frame is there.
  ChannelTable() { ResendAll(); }

  // Channels 1..n take the frame's n values (bytes past 512 are ignored);
  // the others keep what they wanted.
  void Update(std::span<const std::uint8_t> frame);

  // Every channel goes out once more, with its latest value (a new link to
  // the transmitter knows nothing of what was sent before).
  void ResendAll();

  // The next channel to send, searching from the one after the last sent;
  // nothing before the first frame.
  std::optional<ChannelValue> NextPending() const;

  // `sent` reached the transmitter. A failed send is simply not marked, so
  // the channel stays first in line.
  void MarkSent(ChannelValue sent);

  std::size_t PendingCount() const;

 private:
  bool Pending(std::size_t index) const;

  std::array<std::uint8_t, kChannels> wanted_{};
  std::array<std::uint8_t, kChannels> sent_{};
  std::array<bool, kChannels> resend_{};
  std::size_t cursor_ = 0;  // index of the channel to look at first
  bool have_frame_ = false;
};

}  // namespace quorvix::ola_bridge
