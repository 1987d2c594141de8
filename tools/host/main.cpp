// quorvix-host: loads libquorvix.so the way a host does and drives it from
// the command line. See script.h for the commands; `demo` runs the demo.

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "demo.h"
#include "host_session.h"
#include "port_listing.h"
#include "script.h"
#include "tools/plugin/plugin_library.h"

namespace {

constexpr const char* kCommands =
    "COMMAND... is a script: init TITLE FILE | enable | disable | configure |\n"
    "term | name | device PATH | set CH VALUE | chase FIRST LAST ROUNDS "
    "DELAY_MS\n"
    "| watch MS. \"-\" reads the same commands from standard input, one line\n"
    "at a time; \"demo\" runs the demo against the simulator; \"ports\" lists\n"
    "the serial ports and whether you may open them.\n"
    "\n"
    "Without --trace, only the trace lines about the port are shown.\n"
    "Exit status: 0 when every call succeeded, 1 when one failed (an Enable\n"
    "that answers False too), 64 for a command line it cannot run.";

// Installed, quorvix-sim is in the same folder; the build tree links one in
// beside this program.
std::string SimBesideThisProgram() {
  std::error_code error;
  const std::filesystem::path self =
      std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "quorvix-sim";
  return (self.parent_path() / "quorvix-sim").string();
}

struct HostOptions {
  std::string library = QUORVIX_DEFAULT_LIBRARY;
  std::string sim = SimBesideThisProgram();
  gboolean trace = FALSE;
  std::optional<int> ui;
};

gboolean OnOption(const gchar* name, const gchar* value, gpointer data,
                  GError** error) {
  HostOptions& options = *static_cast<HostOptions*>(data);
  const std::string option = name;
  const std::string text = value;
  if (option == "--ui") {
    if (text == "gtk") {
      options.ui = QVX_UI_GTK;
    } else if (text == "none") {
      options.ui = QVX_UI_NONE;
    } else if (text == "auto") {
      options.ui = QVX_UI_AUTO;
    } else {
      return quorvix::cli::Refuse(
          error, "--ui takes gtk, none or auto, not \"" + text + "\"");
    }
    return TRUE;
  }
  if (text.empty())
    return quorvix::cli::Refuse(error, option + " needs a path");
  (option == "--lib" ? options.library : options.sim) = text;
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  HostOptions options;
  const auto callback = reinterpret_cast<gpointer>(&OnOption);
  const GOptionEntry entries[] = {
      {"lib", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "The plug-in to load (default: this build's)", "PATH"},
      {"sim", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "The simulator the demo starts (default: this build's)", "PATH"},
      {"trace", 0, 0, G_OPTION_ARG_NONE, &options.trace,
       "Show every trace line of the plug-in", nullptr},
      {"ui", 0, 0, G_OPTION_ARG_CALLBACK, callback,
       "gtk (the dialog and modal boxes in GTK 3 windows), none, or auto (the "
       "default)",
       "UI"},
      {}};
  quorvix::cli::CommandLine command_line(
      "quorvix-host", "COMMAND...|-|demo|ports",
      "Loads libquorvix.so the way a host does and drives it.", kCommands);
  command_line.Add(entries, &options);
  command_line.StopAtFirstWord();
  quorvix::cli::Parsed parsed =
      command_line.Parse(quorvix::cli::Arguments(argc, argv));
  if (!parsed.exit_status && parsed.words.empty()) {
    parsed =
        command_line.Fail("a COMMAND, \"-\", \"demo\" or \"ports\" is needed");
  }
  if (const auto end = quorvix::cli::Report(parsed)) return *end;
  const std::vector<std::string>& words = parsed.words;
  const std::string& library = options.library;
  const std::string& sim = options.sim;
  const bool trace = options.trace != FALSE;
  const std::optional<int>& ui = options.ui;
  try {
    if (words.size() == 1 && words[0] == "ports") {
      quorvix::host::PrintPorts(std::cout, quorvix::posix::CurrentPortTable(),
                                &quorvix::host::AccessOf);
      return 0;
    }
    if (words.size() == 1 && words[0] == "demo") {
      return quorvix::host::RunDemo(library, sim, trace);
    }
    quorvix::host::PluginLibrary plugin(library);
    quorvix::host::HostSession session(plugin, std::cout, trace);
    if (ui) {
      plugin.set_ui(*ui);
      // Someone is there to click the boxes.
      if (*ui == QVX_UI_GTK) session.LeaveBoxesToPlugin();
    }
    if (words.size() == 1 && words[0] == "-") {
      std::string line;
      while (std::getline(std::cin, line)) {
        quorvix::host::RunScript(session, quorvix::host::SplitWords(line));
        std::cout.flush();
      }
      return session.AnyFailed() ? 1 : 0;
    }
    if (!quorvix::host::RunScript(session, words)) {
      return quorvix::cli::kUsageError;
    }
    return session.AnyFailed() ? 1 : 0;
  } catch (const std::exception& error) {
    std::cerr << "quorvix-host: " << error.what() << "\n";
    return 1;
  }
}
