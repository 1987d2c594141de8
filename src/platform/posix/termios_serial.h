#pragma once
// Serial ports on terminal devices. Port n is the device that
// <config folder>/ports/COM<n> links to, else /dev/ttyS<n-1>.

#include <glib.h>

#include "platform/posix/pinned_context.h"
#include "platform/serial.h"
#include "platform/trace_sink.h"

namespace quorvix::posix {

class TermiosSerial : public SerialBackend {
 public:
  // Receive sources go to `context`; `trace` hears of vanished devices.
  // Both must outlive every connection opened here.
  TermiosSerial(const PinnedContext& context, TraceSink& trace);

  TermiosSerial(const TermiosSerial&) = delete;
  TermiosSerial& operator=(const TermiosSerial&) = delete;

  // The port is held exclusively (TIOCEXCL and an exclusive flock), so a
  // second opener, here or in another program, gets 8005. `on_receive`
  // runs from the GLib source and must not throw.
  std::unique_ptr<SerialConnection> Open(
      int port, const LineSettings& settings,
      std::function<void()> on_receive) override;
  std::vector<int> ExistingPorts() const override;  // port_list.cpp

 private:
  GMainContext* const context_;
  TraceSink& trace_;
};

}  // namespace quorvix::posix
