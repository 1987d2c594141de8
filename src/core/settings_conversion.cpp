#include "core/settings_conversion.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "platform/error.h"

namespace quorvix {
namespace {

// A number as written in a stored setting, already rounded to a whole one.
struct ParsedNumber {
  bool negative = false;
  bool any_nonzero_digit = false;
  // Saturates far above every target range, so huge texts cannot overflow
  // the parse itself.
  std::uint64_t magnitude = 0;
};

constexpr std::uint64_t kSaturation = std::uint64_t{1} << 40;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<ParsedNumber> ParseNumber(std::string_view text) {
  text = TrimBlanks(text);
  ParsedNumber number;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    number.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos
                                        ? std::string_view{}
                                        : text.substr(point + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  for (const char c : whole) {
    if (!IsDigit(c)) return std::nullopt;
    number.any_nonzero_digit |= c != '0';
    number.magnitude = std::min(kSaturation, number.magnitude * 10 + (c - '0'));
  }
  for (const char c : fraction) {
    if (!IsDigit(c)) return std::nullopt;
    number.any_nonzero_digit |= c != '0';
  }
  // Round half to even, as the automation runtime does.
  if (!fraction.empty()) {
    const char first = fraction.front();
    const bool rest_nonzero =
        fraction.substr(1).find_first_not_of('0') != std::string_view::npos;
    const bool round_up = first > '5' || (first == '5' && rest_nonzero) ||
                          (first == '5' && number.magnitude % 2 == 1);
    if (round_up)
      number.magnitude = std::min(kSaturation, number.magnitude + 1);
  }
  return number;
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

[[noreturn]] void ThrowMismatch(std::string_view key, std::string_view text,
                                std::string_view expected) {
  throw Error(kTypeMismatch, "Setting " + Quoted(key) + " holds " +
                                 Quoted(text) + ", which is not " +
                                 std::string(expected) + " (type mismatch)");
}

template <typename Integer>
Integer StoredWhole(std::string_view key, std::string_view text) {
  const std::optional<ParsedNumber> number = ParseNumber(text);
  if (!number) ThrowMismatch(key, text, "a number");
  constexpr auto kMin = std::numeric_limits<Integer>::min();
  constexpr auto kMax = std::numeric_limits<Integer>::max();
  const std::int64_t value = number->negative
                                 ? -static_cast<std::int64_t>(number->magnitude)
                                 : static_cast<std::int64_t>(number->magnitude);
  if (value < kMin || value > kMax) {
    throw Error(kOverflow, "Setting " + Quoted(key) + " holds " + Quoted(text) +
                               ", which is outside " + std::to_string(kMin) +
                               " to " + std::to_string(kMax) + " (overflow)");
  }
  return static_cast<Integer>(value);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::int16_t StoredInteger(std::string_view key, std::string_view text) {
  return StoredWhole<std::int16_t>(key, text);
}

std::int32_t StoredLong(std::string_view key, std::string_view text) {
  return StoredWhole<std::int32_t>(key, text);
}

bool StoredBoolean(std::string_view key, std::string_view text) {
  const std::string_view word = TrimBlanks(text);
  if (EqualsIgnoringCase(word, "True")) return true;
  if (EqualsIgnoringCase(word, "False")) return false;
  const std::optional<ParsedNumber> number = ParseNumber(text);
  if (!number) ThrowMismatch(key, text, "True, False or a number");
  return number->any_nonzero_digit;
}

}  // namespace quorvix
