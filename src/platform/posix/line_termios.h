#pragma once
// Line settings on a terminal device.

#include <termios.h>

#include <string>

#include "platform/serial.h"

namespace quorvix::posix {

// `base` in raw mode with `settings`. Throws Error 380 naming `port` for
// settings termios cannot express.
termios LineTermios(termios base, const LineSettings& settings,
                    const std::string& port);

// Puts `fd` into raw mode with `settings` and checks that the device took
// them. Throws Error 380 for settings termios cannot express or the device
// refused (naming `port`), 8020 when the device fails. A pseudo-terminal has
// no wire and recent kernels refuse any framing on it but 8 bits without
// parity: there only the baud rate and the raw mode are set.
void ApplyLineSettings(int fd, const LineSettings& settings,
                       const std::string& port);

// True for a pseudo-terminal's slave side.
bool IsPseudoTerminal(int fd);

}  // namespace quorvix::posix
