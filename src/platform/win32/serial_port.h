#pragma once
// Serial back end on the Win32 comm API: \\.\COM<n>, overlapped I/O, and a
// reader thread that hands received bytes to the hidden window.

#include "platform/serial.h"
#include "platform/trace_sink.h"
#include "platform/win32/hidden_window_loop.h"

namespace quorvix::win32 {

// Raw line with `settings`, no flow control, DTR and RTS on, reads that
// return soon after a burst. Throws Error 8020.
void ConfigurePort(HANDLE handle, int port, const LineSettings& settings);

class SerialPorts final : public SerialBackend {
 public:
  SerialPorts(HiddenWindowLoop& loop, TraceSink& trace)
      : loop_(loop), trace_(trace) {}

  std::unique_ptr<SerialConnection> Open(
      int port, const LineSettings& settings,
      std::function<void()> on_receive) override;
  std::vector<int> ExistingPorts() const override;  // port_list.cpp

 private:
  HiddenWindowLoop& loop_;
  TraceSink& trace_;
};

}  // namespace quorvix::win32
