#pragma once
// Bytes from the line are shown to people as Windows-1252 characters; the
// world outside the core wants UTF-8.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvix {

// The character byte `byte` stands for. The five bytes Windows-1252 leaves
// undefined (81, 8D, 8F, 90, 9D) map to the C1 controls of the same code,
// as Windows itself maps them.
constexpr char32_t Windows1252ToUnicode(std::uint8_t byte) {
  constexpr std::array<char32_t, 32> kHigh = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

inline void AppendUtf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    // Windows-1252 needs no more than three bytes.
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

inline std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char byte : bytes) {
    AppendUtf8(out, Windows1252ToUnicode(static_cast<std::uint8_t>(byte)));
  }
  return out;
}

}  // namespace quorvix
