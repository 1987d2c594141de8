#pragma once
// Conversions of stored setting texts, as the classic automation runtime
// converts a string to a number or a boolean:
//
// - Integers: blanks around the number are ignored; an optional sign; digits
//   with an optional decimal fraction ("12.5"), which is rounded half to even
//   (12.5 -> 12, 13.5 -> 14). A value outside the target type (16- or 32-bit
//   signed) is an overflow, Error 6; text that is not such a number (empty
//   text included) is a type mismatch, Error 13.
// - Booleans: "True" and "False" in any letter case (blanks around them
//   ignored), or any number as above: 0 is false, every other value true.
//   Anything else is Error 13.
//
// Every error names the key and the stored text.

#include <cstdint>
#include <string_view>

namespace quorvix {

std::int16_t StoredInteger(std::string_view key, std::string_view text);
std::int32_t StoredLong(std::string_view key, std::string_view text);
bool StoredBoolean(std::string_view key, std::string_view text);

}  // namespace quorvix
