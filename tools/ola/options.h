#pragma once
// The command line of quorvix-ola.

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvix::ola_bridge {

inline constexpr std::string_view kUsage =
    "usage: quorvix-ola --universe U [--input-universe V] [--device PATH]\n"
    "                   [--app NAME] [--library PATH] [--verbose]\n"
    "\n"
    "Sends OLA universe U to the Quorvix transmitter; with DMX input on in\n"
    "the settings (DMXInActive=True) and --input-universe, sends the\n"
    "transmitter's input to universe V. Settings are those of application\n"
    "NAME (default quorvix-ola), group Plugins\\libquorvix.so.\n"
    "--device names the serial device of the settings' port and keeps it\n"
    "(best a /dev/serial/by-id/... name: it survives replugs and reboots).\n";

struct Options {
  std::uint32_t universe = 0;
  std::optional<std::uint32_t> input_universe;
  std::string app = "quorvix-ola";
  std::string library;
  std::string device;  // empty: the port's device as stored
  bool verbose = false;
  bool help = false;  // nothing else is checked then
};

// A command line that cannot run; what() names the offending argument.
class OptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `arguments` excludes the program name.
Options ParseOptions(std::span<const std::string_view> arguments,
                     std::string_view default_library);

}  // namespace quorvix::ola_bridge
