#include "link/frames.h"

#include <limits>

#include "platform/error.h"

namespace quorvix {

std::string ChannelFrame(std::int32_t channel, std::int32_t value) {
  if (channel == std::numeric_limits<std::int32_t>::min()) {
    throw Error(kOverflow, "Channel " + std::to_string(channel) +
                               " cannot be reduced by one (overflow)");
  }
  if (value < 0 || value > 255) {
    throw Error(kInvalidArgument,
                "Invalid value " + std::to_string(value) + " for channel " +
                    std::to_string(channel) + ": must be 0 to 255");
  }
  const std::int32_t zero_based = channel - 1;
  // Arithmetic shift: channel 0 gives 7F, as the transmitter has always seen.
  const auto low = static_cast<char>(zero_based & 0xFF);
  const auto high = static_cast<char>((zero_based >> 8) & 0x7F);
  return std::string{'\xFF', low, high, '\x01', static_cast<char>(value), '\0'};
}

std::string DMXInRequest(std::uint8_t count) {
  return std::string{'\xFC', '\0', '\0', static_cast<char>(count)};
}

}  // namespace quorvix
