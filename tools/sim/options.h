#pragma once
// The command line. Options that set the starting behaviour are turned into
// the same commands standard input takes, so both share one meaning.

#include <string>
#include <vector>

#include "command.h"
#include "command_line.h"

namespace quorvix::sim {

struct Options {
  std::string link;      // empty: no link
  std::string log;       // empty: no log
  std::string commands;  // empty: standard input
  bool background = false;
  std::vector<Command> start;
};

// Fills `options` from `args` (without the program's name); the result says
// whether to end at once (help, version, or a usage error).
cli::Parsed ParseOptions(const std::vector<std::string>& args,
                         Options& options);

}  // namespace quorvix::sim
