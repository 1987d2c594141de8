#pragma once
// The "baud,parity,data,stop" text of the classic serial control.

#include <string_view>

#include "platform/serial.h"

namespace quorvix {

// Parses and validates `text` (for example "19200,n,8,1"); throws Error 380
// naming the text when it is not a valid combination.
LineSettings ParseLineSettings(std::string_view text);

// The number written at the start of the text before the first comma; 0
// when the text does not start with a digit.
long LeadingBaudRate(std::string_view settings);

}  // namespace quorvix
