#include "link/line_settings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string>
#include <vector>

#include "platform/error.h"

namespace quorvix {
namespace {

// The rates the classic serial control accepts.
constexpr std::array<std::uint32_t, 17> kBaudRates = {
    110,   300,   600,   1200,  2400,   4800,   9600,   14400, 19200,
    28800, 38400, 56000, 57600, 115200, 128000, 256000, 230400};

[[noreturn]] void Refuse(std::string_view text, std::string_view why) {
  throw Error(kInvalidPropertyValue, "Invalid line settings \"" +
                                         std::string(text) +
                                         "\": " + std::string(why));
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> SplitCommas(std::string_view text) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    fields.push_back(Trim(text.substr(start, comma - start)));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

bool ParseUnsigned(std::string_view field, std::uint32_t& out) {
  if (field.empty()) return false;
  const auto [end, ec] =
      std::from_chars(field.data(), field.data() + field.size(), out);
  return ec == std::errc() && end == field.data() + field.size();
}

}  // namespace

LineSettings ParseLineSettings(std::string_view text) {
  const std::vector<std::string_view> fields = SplitCommas(text);
  if (fields.size() != 4) {
    Refuse(text,
           "expected baud rate, parity, data bits and stop bits "
           "separated by commas");
  }
  LineSettings settings;

  if (!ParseUnsigned(fields[0], settings.baud) ||
      std::find(kBaudRates.begin(), kBaudRates.end(), settings.baud) ==
          kBaudRates.end()) {
    Refuse(text, "unsupported baud rate \"" + std::string(fields[0]) + "\"");
  }

  if (fields[1].size() != 1) {
    Refuse(text, "parity must be one of N, E, O, M, S");
  }
  switch (std::tolower(static_cast<unsigned char>(fields[1][0]))) {
    case 'n': settings.parity = Parity::kNone; break;
    case 'e': settings.parity = Parity::kEven; break;
    case 'o': settings.parity = Parity::kOdd; break;
    case 'm': settings.parity = Parity::kMark; break;
    case 's': settings.parity = Parity::kSpace; break;
    default: Refuse(text, "parity must be one of N, E, O, M, S");
  }

  std::uint32_t data_bits = 0;
  if (!ParseUnsigned(fields[2], data_bits) || data_bits < 4 || data_bits > 8) {
    Refuse(text, "data bits must be 4 to 8");
  }
  settings.data_bits = static_cast<int>(data_bits);

  if (fields[3] == "1") {
    settings.stop_bits = StopBits::kOne;
  } else if (fields[3] == "1.5") {
    settings.stop_bits = StopBits::kOnePointFive;
  } else if (fields[3] == "2") {
    settings.stop_bits = StopBits::kTwo;
  } else {
    Refuse(text, "stop bits must be 1, 1.5 or 2");
  }
  return settings;
}

long LeadingBaudRate(std::string_view settings) {
  std::string_view before_comma = settings.substr(0, settings.find(','));
  while (!before_comma.empty() && before_comma.front() == ' ') {
    before_comma.remove_prefix(1);
  }
  long rate = 0;
  for (const char c : before_comma) {
    if (c < '0' || c > '9') break;
    if (rate > 100'000'000) break;  // far beyond any rate; stop before overflow
    rate = rate * 10 + (c - '0');
  }
  return rate;
}

}  // namespace quorvix
