#pragma once
// Byte sequences exchanged with the DMX-Transmitter.

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvix {

// FF, low 8 bits and bits 8..14 of channel - 1, 01, value, 00. Throws Error 6
// when channel - 1 overflows, else Error 5 when value is outside 0..255.
std::string ChannelFrame(std::int32_t channel, std::int32_t value);

inline constexpr std::string_view kHandshakeQuery = "c?";
inline constexpr std::string_view kHandshakeAnswer = "G";

// FC 00 00 n, for n in 0..255.
std::string DMXInRequest(std::uint8_t count);

}  // namespace quorvix
