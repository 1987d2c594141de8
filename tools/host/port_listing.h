#pragma once
// `quorvix-host ports`: every port number with what tells the ports apart
// and whether this user may open it.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/posix/port_table.h"

namespace quorvix::host {

struct DeviceAccess {
  bool present = false;
  bool may_open = false;
  std::string group;  // the device's group, when this user may not open it
};

DeviceAccess AccessOf(const std::string& path);

// A table, one port a line, then notes on offered ports and on groups.
void PrintPorts(std::ostream& out, const std::vector<posix::PortEntry>& ports,
                const std::function<DeviceAccess(const std::string&)>& access);

}  // namespace quorvix::host
