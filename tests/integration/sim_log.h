#pragma once
// quorvix-sim's log as bytes, through the simulator's own reader.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sim/event_log_reader.h"

namespace quorvix::test {

using Bytes = std::vector<std::uint8_t>;

// The hex bytes that follow "<time> <event> " on every line of that event.
inline std::vector<Bytes> LoggedBytes(const std::string& log_path,
                                      const std::string& event) {
  std::vector<Bytes> found;
  for (const std::string& details :
       sim::EventDetails(sim::ReadSimEventLog(log_path), event)) {
    found.push_back(sim::HexBytes(details));
  }
  return found;
}

// Everything the simulator received, in order, as one byte string.
inline Bytes ReceivedBytes(const std::string& log_path) {
  Bytes all;
  for (const Bytes& piece : LoggedBytes(log_path, "rx"))
    all.insert(all.end(), piece.begin(), piece.end());
  return all;
}

}  // namespace quorvix::test
