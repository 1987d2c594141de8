#pragma once
// Reads quorvix-sim's log: "<microseconds> <event> <details>" per line.

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quorvix::test {

using Bytes = std::vector<std::uint8_t>;

// The hex bytes that follow "<time> <event> " on every line of that event.
inline std::vector<Bytes> LoggedBytes(const std::string& log_path,
                                      const std::string& event) {
  std::vector<Bytes> found;
  std::ifstream log(log_path);
  std::string line;
  while (std::getline(log, line)) {
    std::istringstream words(line);
    std::string time;
    std::string name;
    words >> time;
    // "reply dmxin ..." names its kind in a second word.
    std::string wanted_kind;
    std::string wanted_name = event;
    if (const auto space = event.find(' '); space != std::string::npos) {
      wanted_name = event.substr(0, space);
      wanted_kind = event.substr(space + 1);
    }
    words >> name;
    if (name != wanted_name) continue;
    if (!wanted_kind.empty()) {
      std::string kind;
      words >> kind;
      if (kind != wanted_kind) continue;
    }
    Bytes bytes;
    std::string hex;
    while (words >> hex)
      bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex, nullptr, 16)));
    found.push_back(bytes);
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
