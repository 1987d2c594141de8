#include "options.h"

#include "usage.h"

namespace quorvix::sim {
namespace {

// An option that stands for the command `line` + its value.
gboolean AsCommand(const std::string& option, const std::string& line,
                   Options& options, GError** error) {
  ParsedCommand parsed = ParseCommand(line);
  if (!parsed.command) return cli::Refuse(error, option + ": " + parsed.error);
  options.start.push_back(std::move(*parsed.command));
  return TRUE;
}

gboolean OnOption(const gchar* name, const gchar* value, gpointer data,
                  GError** error) {
  Options& options = *static_cast<Options*>(data);
  const std::string option = name;
  const std::string text = value != nullptr ? value : "";
  if (option == "--silent")
    return AsCommand(option, "silent on", options, error);
  if (option == "--split") return AsCommand(option, "split on", options, error);
  if (option == "--flood") return AsCommand(option, "flood on", options, error);
  if (option == "--handshake-reply") {
    return AsCommand(option, "reply-handshake " + text, options, error);
  }
  if (option == "--trailer") {
    return AsCommand(option, "trailer " + text, options, error);
  }
  if (option == "--baud")
    return AsCommand(option, "baud " + text, options, error);
  if (text.empty()) return cli::Refuse(error, option + " needs a path");
  if (option == "--link") options.link = text;
  if (option == "--log") options.log = text;
  if (option == "--commands") options.commands = text;
  return TRUE;
}

}  // namespace

cli::Parsed ParseOptions(const std::vector<std::string>& args,
                         Options& options) {
  const auto callback = reinterpret_cast<gpointer>(&OnOption);
  const GOptionEntry entries[] = {
      {"link", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "Symlink PATH to the pseudo-terminal (folders made, an old link "
       "replaced), removed at exit",
       "PATH"},
      {"log", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "Write the event log to FILE", "FILE"},
      {"commands", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "Read commands from PATH (a file, or a FIFO kept open), not standard "
       "input",
       "PATH"},
      {"background", 0, 0, G_OPTION_ARG_NONE, &options.background,
       "Detach once the link is there; print only the process id", nullptr},
      {"silent", 0, G_OPTION_FLAG_NO_ARG, G_OPTION_ARG_CALLBACK, callback,
       "Start silent (= silent on)", nullptr},
      {"handshake-reply", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "Answer \"c?\" with TEXT (= reply-handshake TEXT)", "TEXT"},
      {"trailer", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "Trailing DMX-In byte (= trailer HH)", "HH"},
      {"split", 0, G_OPTION_FLAG_NO_ARG, G_OPTION_ARG_CALLBACK, callback,
       "Split replies (= split on)", nullptr},
      {"baud", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "Pace the line (= baud N|auto)", "N|auto"},
      {"flood", 0, G_OPTION_FLAG_NO_ARG, G_OPTION_ARG_CALLBACK, callback,
       "Start flooding (= flood on)", nullptr},
      {}};
  cli::CommandLine line("quorvix-sim", "",
                        "A simulated DMX-Transmitter on a pseudo-terminal.",
                        kReference.data());
  line.Add(entries, &options);
  cli::Parsed parsed = line.Parse(args);
  if (!parsed.exit_status && !parsed.words.empty()) {
    return line.Fail("unexpected argument \"" + parsed.words.front() + "\"");
  }
  return parsed;
}

}  // namespace quorvix::sim
