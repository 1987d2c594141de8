#include "options.h"

#include <charconv>
#include <limits>

namespace quorvix::ola_bridge {
namespace {

constexpr const char* kDescription =
    "Sends OLA universe U to the Quorvix transmitter; with DMX input on in\n"
    "the settings (DMXInActive=True) and --input-universe, sends the\n"
    "transmitter's input to universe V. Settings are those of application\n"
    "NAME, group Plugins\\libquorvix.so of\n"
    "$XDG_CONFIG_HOME/quorvix/NAME.ini. --device names the serial device of\n"
    "the settings' port and keeps it (best a /dev/serial/by-id/... name: it\n"
    "survives replugs and reboots; `quorvix-host ports` lists them).\n"
    "\n"
    "Exit status: 0 after SIGINT or SIGTERM, 1 when the plug-in fails, 2 for\n"
    "settings it cannot run with, 64 for a bad command line.";

struct Parse {
  Options& options;
  bool have_universe = false;
};

template <typename Number>
bool ReadNumber(const std::string& text, Number& number) {
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), number);
  return !text.empty() && error == std::errc() &&
         end == text.data() + text.size();
}

gboolean OnOption(const gchar* name, const gchar* value, gpointer data,
                  GError** error) {
  Parse& parse = *static_cast<Parse*>(data);
  Options& options = parse.options;
  const std::string option = name;
  const std::string text = value != nullptr ? value : "";
  if (option == "-u" || option == "--universe" ||
      option == "--input-universe") {
    std::uint32_t universe = 0;
    if (!ReadNumber(text, universe)) {
      return cli::Refuse(
          error, option + " takes a universe number from 0 to " +
                     std::to_string(std::numeric_limits<std::uint32_t>::max()) +
                     ", not \"" + text + "\"");
    }
    if (option == "--input-universe") {
      options.input_universe = universe;
    } else {
      options.universe = universe;
      parse.have_universe = true;
    }
  } else if (option == "-d" || option == "--device") {
    if (!text.starts_with('/')) {
      return cli::Refuse(error, option +
                                    " takes a full path such as "
                                    "/dev/serial/by-id/..., not \"" +
                                    text + "\"");
    }
    options.device = text;
  } else if (option == "-l" || option == "--log-level") {
    int level = 0;
    if (!ReadNumber(text, level) || level < 0 || level > kLogTrace) {
      return cli::Refuse(
          error, option + " takes a level from 0 to 4, not \"" + text + "\"");
    }
    options.log_level = level;
  } else if (option == "--verbose") {
    options.log_level = kLogTrace;
  } else if (option == "--app") {
    if (text.empty()) return cli::Refuse(error, "--app needs a non-empty name");
    options.app = text;
  } else {
    if (text.empty()) return cli::Refuse(error, "--library needs a path");
    options.library = text;
  }
  return TRUE;
}

}  // namespace

cli::Parsed ParseOptions(const std::vector<std::string>& arguments,
                         std::string_view default_library, Options& options) {
  options.library = std::string(default_library);
  const auto callback = reinterpret_cast<gpointer>(&OnOption);
  const GOptionEntry entries[] = {
      {"universe", 'u', 0, G_OPTION_ARG_CALLBACK, callback,
       "The OLA universe sent to the transmitter (required)", "U"},
      {"input-universe", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "The OLA universe the transmitter's DMX input goes to", "V"},
      {"device", 'd', 0, G_OPTION_ARG_CALLBACK, callback,
       "The serial device of the settings' port, kept for later runs", "PATH"},
      {"log-level", 'l', 0, G_OPTION_ARG_CALLBACK, callback,
       "0 nothing, 1 errors, 2 warnings, 3 information (the default), 4 the "
       "driver's trace too",
       "LEVEL"},
      {"verbose", 0, G_OPTION_FLAG_NO_ARG, G_OPTION_ARG_CALLBACK, callback,
       "The same as --log-level 4", nullptr},
      {"app", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "The application whose settings are used (default quorvix-ola)", "NAME"},
      {"library", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "The plug-in to load (default: this build's)", "PATH"},
      {}};
  Parse parse{options};
  cli::CommandLine line("quorvix-ola", "",
                        "The Quorvix transmitter as an output of OLA's olad.",
                        kDescription);
  line.Add(entries, &parse);
  cli::Parsed parsed = line.Parse(arguments);
  if (parsed.exit_status) return parsed;
  if (!parsed.words.empty()) {
    return line.Fail("unexpected argument \"" + parsed.words.front() + "\"");
  }
  if (!parse.have_universe) return line.Fail("--universe U is required");
  if (options.input_universe == options.universe) {
    return line.Fail("--input-universe must differ from --universe (both " +
                     std::to_string(options.universe) +
                     "): the input would be sent back to the output");
  }
  return parsed;
}

}  // namespace quorvix::ola_bridge
