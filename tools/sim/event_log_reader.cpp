#include "tools/sim/event_log_reader.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace quorvix::sim {

std::vector<LoggedEvent> ReadSimEventLog(std::istream& log) {
  std::vector<LoggedEvent> events;
  std::string line;
  while (std::getline(log, line)) {
    const std::size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    LoggedEvent event;
    const char* const end = line.data() + space;
    const auto [stop, error] = std::from_chars(line.data(), end, event.time_us);
    if (error != std::errc() || stop != end) continue;
    event.text = line.substr(space + 1);
    events.push_back(std::move(event));
  }
  return events;
}

std::vector<LoggedEvent> ReadSimEventLog(const std::filesystem::path& path) {
  std::ifstream log(path, std::ios::binary);
  return ReadSimEventLog(log);
}

std::optional<std::string> DetailsOf(const LoggedEvent& logged,
                                     std::string_view event) {
  const std::string_view text = logged.text;
  if (text == event) return std::string();
  if (text.size() > event.size() && text.substr(0, event.size()) == event &&
      text[event.size()] == ' ') {
    return std::string(text.substr(event.size() + 1));
  }
  return std::nullopt;
}

std::vector<std::string> EventDetails(const std::vector<LoggedEvent>& log,
                                      std::string_view event) {
  std::vector<std::string> found;
  for (const LoggedEvent& logged : log) {
    if (auto details = DetailsOf(logged, event)) {
      found.push_back(std::move(*details));
    }
  }
  return found;
}

std::vector<std::uint8_t> HexBytes(const std::string& details) {
  std::vector<std::uint8_t> bytes;
  std::istringstream words(details);
  std::string hex;
  while (words >> hex) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex, nullptr, 16)));
  }
  return bytes;
}

std::vector<LoggedFrame> FramesOf(const std::vector<LoggedEvent>& log) {
  std::vector<LoggedFrame> frames;
  for (const LoggedEvent& logged : log) {
    const std::optional<std::string> details = DetailsOf(logged, "frame");
    if (!details) continue;
    std::istringstream words(*details);
    LoggedFrame frame{logged.time_us, 0, 0};
    if (words >> frame.channel >> frame.value) frames.push_back(frame);
  }
  return frames;
}

}  // namespace quorvix::sim
