#pragma once
// Serial ports on terminal devices. Port n is the device that
// <config folder>/ports/COM<n> links to, else /dev/ttyS<n-1>; a present
// adapter that the last ExistingPorts offered under a free number is linked
// there when that port is opened.

#include <glib.h>

#include <map>
#include <string>

#include "platform/posix/pinned_context.h"
#include "platform/posix/serial_devices.h"
#include "platform/serial.h"
#include "platform/trace_sink.h"

namespace quorvix::posix {

class TermiosSerial : public SerialBackend {
 public:
  using DeviceSource = std::function<std::vector<SerialDevice>()>;

  // Receive sources go to `context`; `trace` hears of vanished devices.
  // Both must outlive every connection opened here. `devices` lists the
  // devices present (udev's, unless a test has its own).
  TermiosSerial(const PinnedContext& context, TraceSink& trace,
                DeviceSource devices = &PresentSerialDevices);

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
  std::string DevicePath(int port);

  GMainContext* const context_;
  TraceSink& trace_;
  const DeviceSource devices_;
  // Port -> the adapter offered there by the last listing.
  mutable std::map<int, std::string> offers_;
};

}  // namespace quorvix::posix
