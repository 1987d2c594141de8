#pragma once
// Injective maps from the host's application titles and section names to
// file and group names. A literal '%' is always escaped, so "%XX" in a
// result always stands for the byte XX and no two inputs share a result.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvix::posix {

inline constexpr std::size_t kMaxEscapedTitle = 200;

// ASCII letters, digits, space, '-', '_' and a '.' that is not the first
// byte stay; every other byte becomes %XX, so the result never holds '/'
// and never starts with '.' (the empty title gives the empty name, hence
// the file ".ini", which no other title can reach). A result longer than
// kMaxEscapedTitle is cut there and followed by '~' and the first 16
// lower-case hex digits of the SHA-256 of the whole title; shorter results
// never hold '~'.
std::string EscapeTitle(std::string_view title);

// GKeyFile takes any non-empty group name without '[', ']' and control
// bytes; those bytes and '%' become %XX, as do bytes that are not part of
// valid UTF-8 (GKeyFile would take them, but the file stays text an editor
// can open). The empty section becomes "%", which no other section gives.
std::string EscapeGroup(std::string_view section);

}  // namespace quorvix::posix
