#include "platform/posix/keyfile_names.h"

#include <glib.h>

#include <memory>

namespace quorvix::posix {
namespace {

void AppendEscaped(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

bool KeptInTitle(unsigned char c, bool first) {
  return g_ascii_isalnum(c) || c == ' ' || c == '-' || c == '_' ||
         (c == '.' && !first);
}

std::string Sha256Hex(std::string_view data) {
  const std::unique_ptr<GChecksum, decltype(&g_checksum_free)> sum(
      g_checksum_new(G_CHECKSUM_SHA256), g_checksum_free);
  g_checksum_update(sum.get(), reinterpret_cast<const guchar*>(data.data()),
                    static_cast<gssize>(data.size()));
  return g_checksum_get_string(sum.get());
}

// Length of the valid UTF-8 sequence starting at `rest`, or 0.
std::size_t Utf8Length(std::string_view rest) {
  const std::size_t length = static_cast<unsigned char>(
      g_utf8_skip[static_cast<unsigned char>(rest[0])]);
  if (length > rest.size()) return 0;
  return g_utf8_validate(rest.data(), static_cast<gssize>(length), nullptr)
             ? length
             : 0;
}

}  // namespace

std::string EscapeTitle(std::string_view title) {
  std::string escaped;
  for (std::size_t i = 0; i < title.size(); ++i) {
    const auto c = static_cast<unsigned char>(title[i]);
    if (KeptInTitle(c, i == 0)) {
      escaped += static_cast<char>(c);
    } else {
      AppendEscaped(escaped, c);
    }
  }
  if (escaped.size() <= kMaxEscapedTitle) return escaped;
  escaped.resize(kMaxEscapedTitle);
  return escaped + '~' + Sha256Hex(title).substr(0, 16);
}

std::string EscapeGroup(std::string_view section) {
  if (section.empty()) return "%";
  std::string escaped;
  std::size_t i = 0;
  while (i < section.size()) {
    const auto c = static_cast<unsigned char>(section[i]);
    if (c >= 0x80) {
      const std::size_t length = Utf8Length(section.substr(i));
      if (length > 0) {
        escaped.append(section.substr(i, length));
        i += length;
        continue;
      }
      AppendEscaped(escaped, c);
    } else if (c == '[' || c == ']' || c == '%' || g_ascii_iscntrl(c)) {
      AppendEscaped(escaped, c);
    } else {
      escaped += static_cast<char>(c);
    }
    ++i;
  }
  return escaped;
}

}  // namespace quorvix::posix
