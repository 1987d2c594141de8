#pragma once
// Between the bytes of the line and the UTF-8 text of the dialog's fields.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvix {

// The receive field has no scroll bars: more would never be seen.
inline constexpr std::size_t kShownReceiveBytes = 4000;

// The first kShownReceiveBytes of `received` as Windows-1252 text: CR LF,
// a lone CR and a lone LF each become "\r\n", every other control code
// (byte 0 included) becomes "[XX]", so nothing the line sent stays hidden.
std::string ReceiveFieldText(std::string_view received);

// What the user typed, as the bytes the line carries: each character as its
// Windows-1252 byte, "?" for characters that have none.
std::string LineBytes(std::string_view utf8);

}  // namespace quorvix
