#include "platform/posix/port_table.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
#include <memory>
#include <string_view>

#include "platform/posix/config_home.h"
#include "platform/posix/port_links.h"

namespace quorvix::posix {
namespace {

constexpr int kMaxPort = 255;

// The whole number after `prefix`, or -1.
int NumberAfter(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || name.size() == prefix.size()) return -1;
  name.remove_prefix(prefix.size());
  int number = -1;
  const auto [end, error] =
      std::from_chars(name.data(), name.data() + name.size(), number);
  if (error != std::errc() || end != name.data() + name.size()) return -1;
  if (name.size() > 1 && name.front() == '0') return -1;
  return number;
}

std::string Resolved(const std::string& path) {
  char real[PATH_MAX];
  return realpath(path.c_str(), real) != nullptr ? real : "";
}

}  // namespace

std::vector<PortEntry> BuildPortTable(
    std::vector<PortLink> links, const std::vector<SerialDevice>& devices) {
  std::map<int, PortEntry> table;
  const auto device_at = [&](const std::string& path) {
    const auto found =
        std::find_if(devices.begin(), devices.end(),
                     [&](const SerialDevice& d) { return d.device == path; });
    return found == devices.end() ? std::nullopt
                                  : std::optional<SerialDevice>(*found);
  };
  for (PortLink& link : links) {
    if (link.port < 1 || link.port > kMaxPort) continue;
    PortEntry& entry = table[link.port];
    entry = {link.port, PortLinkPath(link.port), std::move(link.target),
             device_at(link.resolved), false};
  }
  std::vector<const SerialDevice*> unreached;
  for (const SerialDevice& device : devices) {
    const bool linked = std::any_of(table.begin(), table.end(), [&](auto& e) {
      return e.second.device && e.second.device->device == device.device;
    });
    if (linked) continue;
    const int uart = NumberAfter(device.device, "/dev/ttyS");
    if (uart >= 0) {
      // A link of the same number hides the UART; it stays unreachable.
      if (uart < kMaxPort && !table.contains(uart + 1)) {
        table[uart + 1] = {uart + 1, device.device, {}, device, false};
      }
      continue;
    }
    unreached.push_back(&device);
  }
  // By stable name, so that the same adapters get the same numbers whatever
  // order the kernel found them in.
  const auto key = [](const SerialDevice* d) {
    return d->stable_name.empty() ? d->device : d->stable_name;
  };
  std::sort(unreached.begin(), unreached.end(),
            [&](const SerialDevice* a, const SerialDevice* b) {
              return key(a) < key(b);
            });
  int free_port = 1;
  for (const SerialDevice* device : unreached) {
    while (table.contains(free_port)) ++free_port;
    if (free_port > kMaxPort) break;
    table[free_port] = {free_port, key(device), {}, *device, true};
  }
  std::vector<PortEntry> ports;
  for (auto& [port, entry] : table) ports.push_back(std::move(entry));
  return ports;
}

std::vector<PortEntry> CurrentPortTable(
    const std::vector<SerialDevice>& present) {
  std::vector<PortLink> links;
  const std::string folder = QuorvixConfigDir() + "/ports";
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()),
                                                closedir);
  while (dir) {
    const dirent* const entry = readdir(dir.get());
    if (entry == nullptr) break;
    const int port = NumberAfter(entry->d_name, "COM");
    if (port < 1 || port > kMaxPort) continue;
    const std::string path = folder + "/" + entry->d_name;
    std::error_code unreadable;
    const std::filesystem::path target =
        std::filesystem::read_symlink(path, unreadable);
    links.push_back(
        {port, unreadable ? path : target.string(), Resolved(path)});
  }
  return BuildPortTable(std::move(links), present);
}

}  // namespace quorvix::posix
