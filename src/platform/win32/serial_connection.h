#pragma once
// An open port of the Win32 serial back end: overlapped writes on the
// caller's thread, a reader thread for the rest. The device counts as gone
// when the reader fails or a write fails with the device's loss
// (serial_failure.h); the handle is closed at once then, so that the system
// can give a replugged adapter its port back.

#include <functional>
#include <memory>

#include "platform/serial.h"
#include "platform/trace_sink.h"
#include "platform/win32/hidden_window_loop.h"
#include "platform/win32/unique_handle.h"

namespace quorvix::win32 {

// Takes over `handle`: port `port` opened for overlapped I/O with its line
// set up. `settings` bound how long a write may take. Throws Error 8020.
std::unique_ptr<SerialConnection> ConnectPort(HiddenWindowLoop& loop,
                                              TraceSink& trace, int port,
                                              const LineSettings& settings,
                                              UniqueHandle handle,
                                              std::function<void()> on_receive);

}  // namespace quorvix::win32
