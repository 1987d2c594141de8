#pragma once
// Line settings on a terminal device.

#include <string>

#include "platform/serial.h"

namespace quorvix {

// Puts `fd` into raw mode with `settings` and checks that the device took
// them. Throws Error 380 for settings termios cannot express or the device
// refused (naming `port`), 8020 when the device fails.
void ApplyLineSettings(int fd, const LineSettings& settings,
                       const std::string& port);

}  // namespace quorvix
