#pragma once
// Where the simulator's commands come from when not from standard input,
// and running on detached from the terminal.

#include <string>

#include "common/unique_fd.h"

namespace quorvix::sim {

// A file, read to its end, or a FIFO, opened for writing too so that it
// never ends while writers come and go. Throws std::runtime_error naming
// the path.
common::UniqueFd OpenCommandSource(const std::string& path);

// Forks: the parent prints the child's process id on standard output and
// ends at once (_exit, so nothing of its state is undone: the link stays);
// the child returns in a session of its own with standard input, output and
// error on /dev/null. Throws std::runtime_error when it cannot fork.
void Detach();

}  // namespace quorvix::sim
