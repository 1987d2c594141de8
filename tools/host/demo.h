#pragma once

#include <string>

namespace quorvix::host {

// Starts quorvix-sim in a temporary config folder, maps COM1 to it and shows
// the road of channel values and of DMX-In changes; cleans up at the end.
// Returns the process exit code.
int RunDemo(const std::string& library_path, const std::string& sim_path,
            bool show_trace);

}  // namespace quorvix::host
