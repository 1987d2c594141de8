#pragma once
// The host's command language, from the command line or one line at a time
// from standard input:
//
//   init TITLE FILE    Init with a helper that prints every DMX-In report
//   enable | disable | configure | term | name
//   device PATH        the port's device from now on (after init)
//   set CH VALUE       SetChannel
//   chase FIRST LAST ROUNDS DELAY_MS
//                      a running light over channels FIRST..LAST
//   watch MS           run the plug-in's events for MS ms (DMX-In reports)
//
// A command that fails is reported and the script goes on.

#include <string>
#include <vector>

#include "host_session.h"

namespace quorvix::host {

// Runs the commands in `words`; returns false when a word is not a command
// or lacks its arguments (after printing why).
bool RunScript(HostSession& session, const std::vector<std::string>& words);

// Splits a line into words; "double quotes" keep blanks inside a word.
std::vector<std::string> SplitWords(const std::string& line);

}  // namespace quorvix::host
