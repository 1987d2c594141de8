#pragma once
// Conversions of stored setting texts to numbers and booleans. They accept a
// subset of what the classic automation runtime converts, and exactly this:
//
// - Numbers: blanks (spaces, tabs) around them; an optional + or -; decimal
//   digits with an optional "." and decimal fraction ("12.5", ".5", "5."),
//   rounded half to even (12.5 -> 12, 13.5 -> 14). Nothing else: no
//   exponent ("1E3"), no "&H" or "&O" prefix, no thousands separator and no
//   decimal comma whatever the locale.
// - A number outside the target type (16- or 32-bit signed) is an overflow,
//   Error 6; any other text (empty text included) is a type mismatch,
//   Error 13.
// - Booleans: "True" or "False" in any letter case with blanks around them,
//   or a number as above: 0 is false, every other value true. Anything else
//   is Error 13.
//
// Every error names the key and the stored text.

#include <cstdint>
#include <string_view>

namespace quorvix {

std::int16_t StoredInteger(std::string_view key, std::string_view text);
std::int32_t StoredLong(std::string_view key, std::string_view text);
bool StoredBoolean(std::string_view key, std::string_view text);

}  // namespace quorvix
