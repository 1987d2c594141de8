// quorvix-host: loads libquorvix.so the way a host does and drives it from
// the command line. See script.h for the commands; `demo` runs the demo.

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "demo.h"
#include "host_session.h"
#include "plugin_library.h"
#include "port_listing.h"
#include "script.h"

namespace {

void Usage() {
  std::cerr
      << "usage: quorvix-host [--lib PATH] [--sim PATH] [--trace] [--ui UI] "
         "COMMAND...\n"
         "       quorvix-host [--lib PATH] [--trace] -     (commands from "
         "stdin)\n"
         "       quorvix-host [--lib PATH] [--sim PATH] [--trace] demo\n"
         "       quorvix-host ports     (the serial ports, and who may open "
         "them)\n"
         "commands: init TITLE FILE | enable | disable | configure | term | "
         "name |\n"
         "          device PATH |\n"
         "          set CH VALUE | chase FIRST LAST ROUNDS DELAY_MS | watch "
         "MS\n"
         "UI: gtk (the dialog and modal boxes in GTK 3 windows), none, auto "
         "(the default)\n"
         "Without --trace, only the trace lines about the port are shown.\n"
         "Exit status: 0 when every call succeeded, 1 when one failed (an "
         "Enable that\nanswers False too), 2 for a command it cannot run.\n";
}

std::optional<int> UiNamed(const std::string& name) {
  if (name == "gtk") return QVX_UI_GTK;
  if (name == "none") return QVX_UI_NONE;
  if (name == "auto") return QVX_UI_AUTO;
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  std::string library = QUORVIX_DEFAULT_LIBRARY;
  std::string sim = QUORVIX_DEFAULT_SIM;
  bool trace = false;
  std::optional<int> ui;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--lib" && i + 1 < argc) {
      library = argv[++i];
    } else if (argument == "--sim" && i + 1 < argc) {
      sim = argv[++i];
    } else if (argument == "--trace") {
      trace = true;
    } else if (argument == "--ui" && i + 1 < argc) {
      ui = UiNamed(argv[++i]);
      if (!ui) {
        Usage();
        return 2;
      }
    } else if (argument == "--help" || argument == "-h") {
      Usage();
      return 0;
    } else {
      words.push_back(argument);
    }
  }
  if (words.empty()) {
    Usage();
    return 2;
  }
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
    if (!quorvix::host::RunScript(session, words)) return 2;
    return session.AnyFailed() ? 1 : 0;
  } catch (const std::exception& error) {
    std::cerr << "quorvix-host: " << error.what() << "\n";
    return 1;
  }
}
