#pragma once
// One line of the simulator's standard input, parsed. The syntax is listed
// in main.cpp and in --help.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "bytes.h"

namespace quorvix::sim {

namespace command {
struct SetInput {
  int channel;
  std::uint8_t value;
};
struct ShowInput {
  int channel;
};
struct Ramp {
  int channel;
  std::uint8_t from;
  std::uint8_t to;
  std::chrono::milliseconds step;
};
struct ShowOutput {
  int channel;
};
struct Dump {};
struct Stats {};
struct Silent {
  bool on;
};
struct HandshakeReply {
  Bytes reply;
};
struct Trailer {
  std::uint8_t byte;
};
struct Split {
  std::optional<std::chrono::milliseconds> gap;
};  // nullopt: off
struct Baud {
  long baud;
};  // 0: off, kFollowPort: the speed the driver set on the port
struct Flood {
  bool on;
};
struct Vanish {};
struct Replug {
  bool reset = false;  // the device was power-cycled: its universe is empty
};
struct Quit {};
}  // namespace command

using Command =
    std::variant<command::SetInput, command::ShowInput, command::Ramp,
                 command::ShowOutput, command::Dump, command::Stats,
                 command::Silent, command::HandshakeReply, command::Trailer,
                 command::Split, command::Baud, command::Flood, command::Vanish,
                 command::Replug, command::Quit>;

inline constexpr std::chrono::milliseconds kDefaultSplitGap{2};
inline constexpr long kFollowPort = -1;

struct ParsedCommand {
  std::optional<Command> command;  // empty: see error
  std::string error;               // names the word and what was wrong with it
};

// A blank line or one starting with '#' gives neither a command nor an error.
ParsedCommand ParseCommand(std::string_view line);

}  // namespace quorvix::sim
