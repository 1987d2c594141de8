#pragma once
// How the number fields read their text. Both readings saturate, so that a
// long row of typed digits can never wrap into range.

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvix {

// The whole text as a number: optional blanks, an optional sign, digits with
// an optional "." and decimals, optional blanks. Rounded to the nearest
// whole number, halves to even. Nothing when the text is not such a number.
std::optional<std::int64_t> NumericValue(std::string_view text);

// The digits at the start of the text; 0 when there are none.
std::int64_t LeadingNumber(std::string_view text);

// Typed characters a number field accepts: digits and Backspace.
constexpr bool NumberFieldAccepts(std::uint32_t code) {
  return (code >= '0' && code <= '9') || code == 8;
}

}  // namespace quorvix
