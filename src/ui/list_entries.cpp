#include "ui/list_entries.h"

#include <algorithm>
#include <set>

#include "ui/number_text.h"

namespace quorvix {
namespace {

constexpr int kFixedPorts = 8;
constexpr std::string_view kPortPrefix = "COM";

}  // namespace

ListFill PortEntries(int live, const std::vector<int>& existing) {
  std::set<int> ports{live};
  for (int port = 1; port <= kFixedPorts; ++port) ports.insert(port);
  for (const int port : existing) {
    if (port > kFixedPorts) ports.insert(port);
  }
  ListFill fill;
  for (const int port : ports) {
    if (port == live) fill.selection = static_cast<int>(fill.entries.size());
    fill.entries.push_back(std::string(kPortPrefix) + std::to_string(port));
  }
  return fill;
}

ListFill BaudEntries(std::string_view settings) {
  const std::string shown(settings.substr(0, settings.find(',')));
  ListFill fill{{"19200", "38400"}, -1};
  auto at = std::find(fill.entries.begin(), fill.entries.end(), shown);
  if (at == fill.entries.end()) {
    at = std::find_if(fill.entries.begin(), fill.entries.end(),
                      [&](const std::string& entry) {
                        return LeadingNumber(entry) > LeadingNumber(shown);
                      });
    at = fill.entries.insert(at, shown);
  }
  fill.selection = static_cast<int>(at - fill.entries.begin());
  return fill;
}

int PortOfEntry(std::string_view entry) {
  if (entry.starts_with(kPortPrefix)) entry.remove_prefix(kPortPrefix.size());
  return static_cast<int>(std::min<std::int64_t>(LeadingNumber(entry), 65535));
}

}  // namespace quorvix
