#include "options.h"

#include <charconv>
#include <limits>
#include <string>

namespace quorvix::ola_bridge {
namespace {

std::uint32_t ParseUniverse(std::string_view option, std::string_view text) {
  std::uint32_t universe = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), universe);
  if (text.empty() || error != std::errc() ||
      end != text.data() + text.size()) {
    throw OptionError(
        std::string(option) + " takes a universe number from 0 to " +
        std::to_string(std::numeric_limits<std::uint32_t>::max()) + ", not \"" +
        std::string(text) + "\"");
  }
  return universe;
}

}  // namespace

Options ParseOptions(std::span<const std::string_view> arguments,
                     std::string_view default_library) {
  Options options;
  options.library = std::string(default_library);
  for (const std::string_view argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      options.help = true;
      return options;
    }
  }
  bool have_universe = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view option = arguments[i];
    if (option == "--verbose") {
      options.verbose = true;
      continue;
    }
    if (option != "--universe" && option != "--input-universe" &&
        option != "--app" && option != "--library" && option != "--device") {
      throw OptionError("unknown option \"" + std::string(option) + "\"");
    }
    if (i + 1 >= arguments.size()) {
      throw OptionError(std::string(option) + " needs a value");
    }
    const std::string_view value = arguments[++i];
    if (option == "--universe") {
      options.universe = ParseUniverse(option, value);
      have_universe = true;
    } else if (option == "--input-universe") {
      options.input_universe = ParseUniverse(option, value);
    } else if (option == "--device") {
      if (value.empty() || value.front() != '/') {
        throw OptionError(
            "--device takes a full path such as "
            "/dev/serial/by-id/..., not \"" +
            std::string(value) + "\"");
      }
      options.device = std::string(value);
    } else if (option == "--app") {
      if (value.empty()) throw OptionError("--app needs a non-empty name");
      options.app = std::string(value);
    } else {
      if (value.empty()) throw OptionError("--library needs a path");
      options.library = std::string(value);
    }
  }
  if (!have_universe) throw OptionError("--universe U is required");
  if (options.input_universe == options.universe) {
    throw OptionError("--input-universe must differ from --universe (both " +
                      std::to_string(options.universe) +
                      "): the input would be sent back to the output");
  }
  return options;
}

}  // namespace quorvix::ola_bridge
