#include "port_listing.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <set>

namespace quorvix::host {
namespace {

constexpr std::size_t kColumns = 6;
using Row = std::array<std::string, kColumns>;

std::string OrDash(const std::string& text) {
  return text.empty() ? "-" : text;
}

std::string ByIdName(const std::string& stable_name) {
  const std::size_t slash = stable_name.rfind('/');
  return slash == std::string::npos ? stable_name
                                    : stable_name.substr(slash + 1);
}

}  // namespace

DeviceAccess AccessOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return {};
  if (access(path.c_str(), R_OK | W_OK) == 0) return {true, true, {}};
  // Root's own devices are opened by no group a user could join.
  const group* const owner = info.st_gid != 0 ? getgrgid(info.st_gid) : nullptr;
  return {true, false, owner != nullptr ? owner->gr_name : ""};
}

void PrintPorts(std::ostream& out, const std::vector<posix::PortEntry>& ports,
                const std::function<DeviceAccess(const std::string&)>& access) {
  std::vector<Row> rows{
      {"PORT", "DEVICE", "BY-ID", "USB", "DESCRIPTION", "MAY OPEN"}};
  bool any_offered = false;
  std::set<std::string> groups;
  for (const posix::PortEntry& entry : ports) {
    const DeviceAccess can = access(entry.path);
    std::string may_open = "yes";
    if (!can.present) {
      may_open = "not present";
    } else if (!can.may_open) {
      may_open = can.group.empty() ? "no" : "no (group " + can.group + ")";
      if (!can.group.empty()) groups.insert(can.group);
    }
    const posix::SerialDevice device =
        entry.device.value_or(posix::SerialDevice{
            entry.link_target.empty() ? entry.path : entry.link_target,
            {},
            {},
            {}});
    any_offered |= entry.offered;
    rows.push_back(
        {"COM" + std::to_string(entry.port) + (entry.offered ? "*" : ""),
         device.device, OrDash(ByIdName(device.stable_name)),
         OrDash(device.usb_id), OrDash(device.description), may_open});
  }
  std::array<std::size_t, kColumns> width{};
  for (const Row& row : rows) {
    for (std::size_t i = 0; i < kColumns; ++i) {
      width[i] = std::max(width[i], row[i].size());
    }
  }
  for (const Row& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < kColumns; ++i) {
      line += row[i];
      if (i + 1 < kColumns)
        line += std::string(width[i] - row[i].size() + 2, ' ');
    }
    out << line << "\n";
  }
  if (ports.empty()) out << "(no serial ports)\n";
  if (any_offered) {
    out << "* not linked yet: choosing it in the dialog, or `quorvix-ola "
           "--device`, links it by its\n  by-id name in "
           "$XDG_CONFIG_HOME/quorvix/ports/\n";
  }
  for (const std::string& group : groups) {
    out << "Members of the group " << group
        << " may open its ports: sudo usermod -aG " << group
        << " $USER, then log in again.\n";
  }
}

}  // namespace quorvix::host
