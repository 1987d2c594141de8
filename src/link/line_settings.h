#pragma once
// The "baud,parity,data,stop" text of the classic serial control.

#include <string_view>

#include "platform/serial.h"

namespace quorvix {

// Parses and validates `text` (for example "19200,n,8,1"); throws Error 380
// naming the text when it is not a valid combination.
LineSettings ParseLineSettings(std::string_view text);

// The number written at the start of the text before the first comma,
// after leading blanks (which ParseLineSettings accepts); 0 when no digit
// comes first. Every check of the baud rate in a settings text uses it.
long LeadingBaudRate(std::string_view settings);

}  // namespace quorvix
