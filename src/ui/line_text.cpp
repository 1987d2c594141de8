#include "ui/line_text.h"

#include <array>
#include <cstdint>

#include "platform/windows_1252.h"

namespace quorvix {
namespace {

// The five bytes Windows-1252 leaves undefined decode to C1 controls, which
// show nothing; they are control codes like the rest.
constexpr bool IsControl(std::uint8_t byte) {
  const char32_t code = Windows1252ToUnicode(byte);
  return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

void AppendHex(std::string& out, std::uint8_t byte) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  out += '[';
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0x0F];
  out += ']';
}

// The code point starting at `at`, advancing past it; U+FFFD for a broken
// sequence (one byte consumed).
char32_t NextCodePoint(std::string_view utf8, std::size_t& at) {
  const auto byte = [&](std::size_t i) {
    return static_cast<std::uint8_t>(utf8[i]);
  };
  const std::uint8_t lead = byte(at);
  int length = 1;
  char32_t code = lead;
  if (lead >= 0xF0 && lead < 0xF8) {
    length = 4;
    code = lead & 0x07;
  } else if (lead >= 0xE0) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xC0) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0x80) {
    ++at;
    return 0xFFFD;
  }
  if (at + length > utf8.size()) {
    ++at;
    return 0xFFFD;
  }
  for (int i = 1; i < length; ++i) {
    const std::uint8_t next = byte(at + i);
    if ((next & 0xC0) != 0x80) {
      ++at;
      return 0xFFFD;
    }
    code = (code << 6) | (next & 0x3F);
  }
  at += length;
  return code;
}

std::array<char32_t, 256> Windows1252Table() {
  std::array<char32_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    table[b] = Windows1252ToUnicode(static_cast<std::uint8_t>(b));
  }
  return table;
}

char ToWindows1252(char32_t code) {
  static const std::array<char32_t, 256> kTable = Windows1252Table();
  for (int b = 0; b < 256; ++b) {
    if (kTable[b] == code) return static_cast<char>(b);
  }
  return '?';
}

}  // namespace

std::string ReceiveFieldText(std::string_view received) {
  const std::string_view shown = received.substr(0, kShownReceiveBytes);
  std::string out;
  out.reserve(shown.size() + 16);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(shown[i]);
    if (byte == '\r' || byte == '\n') {
      if (byte == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (IsControl(byte)) {
      AppendHex(out, byte);
    } else {
      AppendUtf8(out, Windows1252ToUnicode(byte));
    }
  }
  return out;
}

std::string LineBytes(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    out += ToWindows1252(NextCodePoint(utf8, at));
  }
  return out;
}

}  // namespace quorvix
