#pragma once
// The last value sent to each DMX channel since Enable, so that a
// transmitter that lost its universe (a USB-powered one unplugged and
// plugged back) can be given it again. Channels outside one universe are
// passed through to the line but not kept.

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvix {

class OutputMemory {
 public:
  static constexpr int kChannels = 512;

  void Remember(std::int32_t channel, std::uint8_t value);
  void Forget();

  // One channel frame per channel set since Forget, in channel order.
  std::vector<std::string> Frames() const;

 private:
  std::array<std::uint8_t, kChannels> values_{};
  std::bitset<kChannels> set_;
};

}  // namespace quorvix
