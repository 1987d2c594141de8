#pragma once
// UTF-8 inside the driver, UTF-16 at the Win32 edge.

#include <windows.h>

#include <string>
#include <string_view>

namespace quorvix::win32 {

// Invalid UTF-8 sequences become U+FFFD.
std::wstring Widen(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view utf16);

// The system's text for a Win32 error code, without its line end.
std::string SystemErrorText(DWORD code);

}  // namespace quorvix::win32
