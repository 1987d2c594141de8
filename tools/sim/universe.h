#pragma once
// 512 DMX channel values, addressed 1 to 512.

#include <array>
#include <cstdint>

namespace quorvix::sim {

class Universe {
 public:
  static constexpr int kChannels = 512;

  static constexpr bool Contains(long channel) {
    return channel >= 1 && channel <= kChannels;
  }

  // Both expect a channel for which Contains() holds.
  std::uint8_t Get(int channel) const { return values_[channel - 1]; }
  void Set(int channel, std::uint8_t value) { values_[channel - 1] = value; }

 private:
  std::array<std::uint8_t, kChannels> values_{};
};

}  // namespace quorvix::sim
