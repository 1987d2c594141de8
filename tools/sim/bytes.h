#pragma once
// Byte strings as they cross the line, and their two text forms: upper-case
// hex for the log, and an escaped form for commands ("G\r").

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvix::sim {

using Bytes = std::vector<std::uint8_t>;

// "FF 04 00 01 C8 00": two upper-case digits per byte, one space between.
std::string ToHex(std::span<const std::uint8_t> bytes);

// Text with the escapes \r \n \t \0 \\ and \xHH (two hex digits); every
// other character stands for its own byte. Empty when an escape is broken,
// with the reason in *error.
std::optional<Bytes> ParseEscaped(std::string_view text, std::string* error);

// Exactly two hex digits, either case.
std::optional<std::uint8_t> ParseHexByte(std::string_view text);

// A decimal integer from min to max, nothing else around it.
std::optional<long> ParseInteger(std::string_view text, long min, long max);

}  // namespace quorvix::sim
