#pragma once
// The entries of the two drop-down lists and what a chosen entry means.

#include <string>
#include <string_view>
#include <vector>

namespace quorvix {

struct ListFill {
  std::vector<std::string> entries;
  int selection = -1;
};

// "COM1" to "COM8", then the ports above 8 in `existing`, then `live` if it
// is still missing, all in numeric order; `live` selected.
ListFill PortEntries(int live, const std::vector<int>& existing);

// "19200" and "38400", and the baud rate of `settings` (the text before its
// first comma) if it is neither, in numeric order; that rate selected.
ListFill BaudEntries(std::string_view settings);

// The whole number after "COM" ("COM12" gives 12).
int PortOfEntry(std::string_view entry);

}  // namespace quorvix
