#pragma once
// The command line. Options that set the starting behaviour are turned into
// the same commands standard input takes, so both share one meaning.

#include <optional>
#include <string>
#include <vector>

#include "command.h"

namespace quorvix::sim {

struct Options {
  std::string link;  // empty: no link
  std::string log;   // empty: no log
  std::string commands;  // empty: standard input
  bool background = false;
  std::vector<Command> start;
  bool help = false;
};

struct ParsedOptions {
  std::optional<Options> options;  // empty: see error
  std::string error;
};

ParsedOptions ParseOptions(const std::vector<std::string>& args);

}  // namespace quorvix::sim
