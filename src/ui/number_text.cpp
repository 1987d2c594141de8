#include "ui/number_text.h"

#include <algorithm>

namespace quorvix {
namespace {

// Far beyond any field's range, far below overflow.
constexpr std::int64_t kSaturation = 1'000'000'000'000'000;

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::int64_t AppendDigit(std::int64_t value, char digit) {
  return std::min(kSaturation, value * 10 + (digit - '0'));
}

}  // namespace

std::optional<std::int64_t> NumericValue(std::string_view text) {
  std::size_t i = 0;
  const auto skip_blanks = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  skip_blanks();
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t whole = 0;
  bool any_digit = false;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    whole = AppendDigit(whole, text[i]);
    any_digit = true;
  }
  // The first decimal decides, the rest only break a tie.
  int first_decimal = 0;
  bool rest_nonzero = false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    for (bool first = true; i < text.size() && IsDigit(text[i]); ++i) {
      if (first) {
        first_decimal = text[i] - '0';
        first = false;
      } else if (text[i] != '0') {
        rest_nonzero = true;
      }
      any_digit = true;
    }
  }
  skip_blanks();
  if (!any_digit || i != text.size()) return std::nullopt;

  const bool up = first_decimal > 5 ||
                  (first_decimal == 5 && (rest_nonzero || whole % 2 == 1));
  const std::int64_t magnitude = std::min(kSaturation, whole + (up ? 1 : 0));
  return negative ? -magnitude : magnitude;
}

std::int64_t LeadingNumber(std::string_view text) {
  std::int64_t value = 0;
  for (std::size_t i = 0; i < text.size() && IsDigit(text[i]); ++i) {
    value = AppendDigit(value, text[i]);
  }
  return value;
}

}  // namespace quorvix
