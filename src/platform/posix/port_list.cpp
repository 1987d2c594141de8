// Which ports exist: every COM<n> in the ports folder, and every serial
// device /dev/ttyS<n-1> that has a UART behind it.

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "platform/posix/config_home.h"
#include "platform/posix/termios_serial.h"

namespace quorvix::posix {
namespace {

constexpr int kMaxPort = 255;

// The whole number after `prefix`, or 0.
int NumberAfter(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return 0;
  name.remove_prefix(prefix.size());
  int number = 0;
  const auto [end, error] =
      std::from_chars(name.data(), name.data() + name.size(), number);
  if (error != std::errc() || end != name.data() + name.size()) return 0;
  return number;
}

template <typename Visit>
void ForEachName(const std::string& folder, Visit&& visit) {
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()),
                                                closedir);
  if (!dir) return;
  while (const dirent* entry = readdir(dir.get())) visit(entry->d_name);
}

// The kernel creates ttyS devices for UARTs that may not be there; sysfs
// says "0" (unknown port type) for those.
bool HasUart(const std::string& device) {
  std::ifstream type("/sys/class/tty/" + device + "/type");
  int kind = -1;
  return !(type >> kind) || kind != 0;
}

}  // namespace

std::vector<int> TermiosSerial::ExistingPorts() const {
  std::set<int> ports;
  const auto add = [&](int port) {
    if (port >= 1 && port <= kMaxPort) ports.insert(port);
  };
  ForEachName(QuorvixConfigDir() + "/ports",
              [&](std::string_view name) { add(NumberAfter(name, "COM")); });
  ForEachName("/dev", [&](std::string_view name) {
    if (!name.starts_with("ttyS") || name.size() == 4) return;
    const int index = NumberAfter(name, "ttyS");
    if ((index > 0 || name == "ttyS0") && HasUart(std::string(name))) {
      add(index + 1);
    }
  });
  return {ports.begin(), ports.end()};
}

}  // namespace quorvix::posix
