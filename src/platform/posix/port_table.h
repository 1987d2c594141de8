#pragma once
// Which port number reaches which device: the ports folder's links, the
// UARTs at their own numbers, and the present adapters that no link leads
// to yet, each offered under the lowest number nothing else holds.

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/serial_devices.h"

namespace quorvix::posix {

struct PortLink {
  int port = 0;
  std::string target;    // as the link says
  std::string resolved;  // the device it leads to now; empty if none
};

struct PortEntry {
  int port = 0;
  // What opening the port opens: its link, the UART, or for an offer the
  // device's stable name (its kernel name when it has none).
  std::string path;
  std::string link_target;             // empty when the port has no link
  std::optional<SerialDevice> device;  // present behind the port
  bool offered = false;  // opening the port first links it to `path`
};

// Ascending by port; ports above 255 are not offered.
std::vector<PortEntry> BuildPortTable(std::vector<PortLink> links,
                                      const std::vector<SerialDevice>& devices);

// The table of this user's links and the devices `present` lists.
std::vector<PortEntry> CurrentPortTable(
    const std::vector<SerialDevice>& present = PresentSerialDevices());

}  // namespace quorvix::posix
