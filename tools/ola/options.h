#pragma once
// The command line of quorvix-ola. The short options are those OLA's own
// tools use for the same things: -u universe, -d device, -l log level.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"

namespace quorvix::ola_bridge {

// OLA's log levels: 0 nothing, 1 errors, 2 warnings, 3 information, 4 the
// driver's trace too.
inline constexpr int kLogErrors = 1;
inline constexpr int kLogWarnings = 2;
inline constexpr int kLogInformation = 3;
inline constexpr int kLogTrace = 4;

struct Options {
  std::uint32_t universe = 0;
  std::optional<std::uint32_t> input_universe;
  std::string app = "quorvix-ola";
  std::string library;
  std::string device;  // empty: the port's device as stored
  int log_level = kLogInformation;
};

// Fills `options` from `arguments` (without the program's name); the result
// says whether to end at once (help, version, or a usage error, 64).
cli::Parsed ParseOptions(const std::vector<std::string>& arguments,
                         std::string_view default_library, Options& options);

}  // namespace quorvix::ola_bridge
