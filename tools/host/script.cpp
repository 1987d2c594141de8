#include "script.h"

#include <charconv>
#include <cstdint>
#include <iostream>
#include <optional>

namespace quorvix::host {
namespace {

std::optional<long> Number(const std::string& word) {
  long value = 0;
  const auto [end, ec] =
      std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || end != word.data() + word.size())
    return std::nullopt;
  return value;
}

void Chase(HostSession& session, long first, long last, long rounds,
           long delay_ms) {
  for (long round = 0; round < rounds; ++round) {
    for (long channel = first; channel <= last; ++channel) {
      for (long other = first; other <= last; ++other) {
        session.SetChannel(static_cast<std::int32_t>(other),
                           other == channel ? 255 : 0,
                           /*quiet=*/true);
      }
      std::cout << "chase: channel " << channel << " at full\n";
      session.Pump(static_cast<int>(delay_ms));
    }
  }
}

}  // namespace

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  bool in_word = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
      in_word = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(word);
  return words;
}

bool RunScript(HostSession& session, const std::vector<std::string>& words) {
  std::size_t at = 0;
  // The next `count` words as numbers, or nothing (after saying why).
  const auto numbers =
      [&](const std::string& command,
          std::size_t count) -> std::optional<std::vector<long>> {
    std::vector<long> values;
    for (std::size_t i = 0; i < count; ++i) {
      const std::optional<long> value =
          at + i < words.size() ? Number(words[at + i]) : std::nullopt;
      if (!value) {
        std::cerr << "quorvix-host: " << command << " needs " << count
                  << " numbers\n";
        return std::nullopt;
      }
      values.push_back(*value);
    }
    at += count;
    return values;
  };

  while (at < words.size()) {
    const std::string command = words[at++];
    if (command == "init") {
      if (at + 2 > words.size()) {
        std::cerr << "quorvix-host: init needs a title and a file name\n";
        return false;
      }
      session.Init(words[at], words[at + 1]);
      at += 2;
    } else if (command == "enable") {
      session.Enable();
    } else if (command == "disable") {
      session.Disable();
    } else if (command == "configure") {
      session.Configure();
    } else if (command == "term") {
      session.Term();
    } else if (command == "name") {
      session.PluginName();
    } else if (command == "device") {
      if (at >= words.size()) {
        std::cerr << "quorvix-host: device needs a path\n";
        return false;
      }
      session.SetPortDevice(words[at++]);
    } else if (command == "set") {
      const auto args = numbers(command, 2);
      if (!args) return false;
      for (const long value : *args) {
        if (value < INT32_MIN || value > INT32_MAX) {
          std::cerr << "quorvix-host: set: " << value
                    << " does not fit 32 bits\n";
          return false;
        }
      }
      session.SetChannel(static_cast<std::int32_t>((*args)[0]),
                         static_cast<std::int32_t>((*args)[1]));
    } else if (command == "chase") {
      const auto args = numbers(command, 4);
      if (!args) return false;
      Chase(session, (*args)[0], (*args)[1], (*args)[2], (*args)[3]);
    } else if (command == "watch") {
      const auto args = numbers(command, 1);
      if (!args) return false;
      session.Pump(static_cast<int>((*args)[0]));
    } else {
      std::cerr << "quorvix-host: unknown command \"" << command << "\"\n";
      return false;
    }
  }
  return true;
}

}  // namespace quorvix::host
