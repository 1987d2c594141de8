// quorvix-host: loads libquorvix.so the way a host does and drives it from
// the command line. See script.h for the commands; `demo` runs the demo.

#include <iostream>
#include <string>
#include <vector>

#include "demo.h"
#include "host_session.h"
#include "plugin_library.h"
#include "script.h"

namespace {

void Usage() {
  std::cerr
      << "usage: quorvix-host [--lib PATH] [--sim PATH] [--trace] COMMAND...\n"
         "       quorvix-host [--lib PATH] [--trace] -     (commands from "
         "stdin)\n"
         "       quorvix-host [--lib PATH] [--sim PATH] [--trace] demo\n"
         "commands: init TITLE FILE | enable | disable | configure | term | "
         "name |\n"
         "          set CH VALUE | chase FIRST LAST ROUNDS DELAY_MS | watch "
         "MS\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::string library = QUORVIX_DEFAULT_LIBRARY;
  std::string sim = QUORVIX_DEFAULT_SIM;
  bool trace = false;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--lib" && i + 1 < argc) {
      library = argv[++i];
    } else if (argument == "--sim" && i + 1 < argc) {
      sim = argv[++i];
    } else if (argument == "--trace") {
      trace = true;
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
    if (words.size() == 1 && words[0] == "demo") {
      return quorvix::host::RunDemo(library, sim, trace);
    }
    quorvix::host::PluginLibrary plugin(library);
    quorvix::host::HostSession session(plugin, std::cout, trace);
    if (words.size() == 1 && words[0] == "-") {
      std::string line;
      while (std::getline(std::cin, line)) {
        quorvix::host::RunScript(session, quorvix::host::SplitWords(line));
        std::cout.flush();
      }
      return 0;
    }
    return quorvix::host::RunScript(session, words) ? 0 : 2;
  } catch (const std::exception& error) {
    std::cerr << "quorvix-host: " << error.what() << "\n";
    return 1;
  }
}
