#include "options.h"

namespace quorvix::sim {

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    // Options with a value, and the command each one stands for.
    std::optional<std::string> line;
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    if (arg == "--background") {
      options.background = true;
      continue;
    }
    if (arg == "--link" || arg == "--log" || arg == "--commands" ||
        arg == "--handshake-reply" ||
        arg == "--baud" || arg == "--trailer") {
      const auto v = value();
      if (!v || v->empty()) return {std::nullopt, arg + " needs a value"};
      if (arg == "--link") {
        options.link = *v;
        continue;
      }
      if (arg == "--commands") {
        options.commands = *v;
        continue;
      }
      if (arg == "--log") {
        options.log = *v;
        continue;
      }
      if (arg == "--handshake-reply") line = "reply-handshake " + *v;
      if (arg == "--baud") line = "baud " + *v;
      if (arg == "--trailer") line = "trailer " + *v;
    } else if (arg == "--silent") {
      line = "silent on";
    } else if (arg == "--split") {
      line = "split on";
    } else if (arg == "--flood") {
      line = "flood on";
    } else {
      return {std::nullopt, "unknown option '" + arg + "' (try --help)"};
    }
    ParsedCommand parsed = ParseCommand(*line);
    if (!parsed.command) return {std::nullopt, arg + ": " + parsed.error};
    options.start.push_back(std::move(*parsed.command));
  }
  return {std::move(options), {}};
}

}  // namespace quorvix::sim
