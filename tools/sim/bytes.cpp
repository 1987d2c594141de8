#include "bytes.h"

#include <charconv>

namespace quorvix::sim {
namespace {

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

}  // namespace

std::string ToHex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (const std::uint8_t b : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

std::optional<std::uint8_t> ParseHexByte(std::string_view text) {
  if (text.size() != 2) return std::nullopt;
  const auto high = HexDigit(text[0]);
  const auto low = HexDigit(text[1]);
  if (!high || !low) return std::nullopt;
  return static_cast<std::uint8_t>(*high << 4 | *low);
}

std::optional<Bytes> ParseEscaped(std::string_view text, std::string* error) {
  Bytes bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\\') {
      bytes.push_back(static_cast<std::uint8_t>(c));
      continue;
    }
    if (i + 1 == text.size()) {
      *error = "a lone backslash ends the text";
      return std::nullopt;
    }
    const char e = text[++i];
    switch (e) {
      case 'r': bytes.push_back('\r'); break;
      case 'n': bytes.push_back('\n'); break;
      case 't': bytes.push_back('\t'); break;
      case '0': bytes.push_back(0); break;
      case '\\': bytes.push_back('\\'); break;
      case 'x': {
        const auto value = ParseHexByte(text.substr(i + 1, 2));
        if (!value) {
          *error = "\\x needs two hex digits";
          return std::nullopt;
        }
        bytes.push_back(*value);
        i += 2;
        break;
      }
      default:
        *error = std::string("unknown escape \\") + e;
        return std::nullopt;
    }
  }
  return bytes;
}

std::optional<long> ParseInteger(std::string_view text, long min, long max) {
  long value = 0;
  const char* const end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  if (value < min || value > max) return std::nullopt;
  return value;
}

}  // namespace quorvix::sim
