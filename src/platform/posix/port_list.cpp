// Which ports exist: see port_table.h. The adapters offered are kept, so
// that opening one of their numbers links it there.

#include "platform/posix/port_table.h"
#include "platform/posix/termios_serial.h"

namespace quorvix::posix {

std::vector<int> TermiosSerial::ExistingPorts() const {
  std::vector<int> ports;
  offers_.clear();
  for (const PortEntry& entry : CurrentPortTable(devices_())) {
    ports.push_back(entry.port);
    if (entry.offered) offers_[entry.port] = entry.path;
  }
  return ports;
}

}  // namespace quorvix::posix
