#pragma once
// Reads the --log file that event_log.h writes, "<microseconds> <event>" a
// line; the events are listed in usage.h. Standard C++ only: the Wine test
// host, a Windows program, reads the log with this same code.

#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvix::sim {

struct LoggedEvent {
  long long time_us = 0;  // CLOCK_MONOTONIC, as the simulator wrote it
  std::string text;       // the rest of the line: "frame 5 200"
};

// Every line of the log that starts with a time, oldest first.
std::vector<LoggedEvent> ReadSimEventLog(std::istream& log);
// The same of a file; empty while it cannot be opened.
std::vector<LoggedEvent> ReadSimEventLog(const std::filesystem::path& path);

// What follows `event` ("rx", or "reply dmxin" with its kind) after one
// blank: "" when nothing does, nullopt when `logged` is another event.
std::optional<std::string> DetailsOf(const LoggedEvent& logged,
                                     std::string_view event);
// The details of every `event` in `log`, in order.
std::vector<std::string> EventDetails(const std::vector<LoggedEvent>& log,
                                      std::string_view event);

// "FF 04 00" as bytes; throws std::invalid_argument on a word that is not
// hex.
std::vector<std::uint8_t> HexBytes(const std::string& details);

struct LoggedFrame {
  long long time_us;
  int channel;
  int value;
};

// The "frame CH VALUE" events: the channel frames taken off the line.
std::vector<LoggedFrame> FramesOf(const std::vector<LoggedEvent>& log);

}  // namespace quorvix::sim
