// quorvix-ola: the Quorvix transmitter as an output (and DMX input) of the
// OLA daemon. See options.h for the command line.

#include <ola/Logging.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string_view>
#include <vector>

#include "bridge.h"
#include "log.h"
#include "options.h"
#include "plugin.h"
#include "quorvix_version.h"

int main(int argc, char** argv) {
  using namespace quorvix::ola_bridge;
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::puts("quorvix-ola " QUORVIX_VERSION_TEXT);
    return 0;
  }
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  Options options;
  try {
    options = ParseOptions(arguments, QUORVIX_DEFAULT_LIBRARY);
  } catch (const OptionError& error) {
    std::cerr << "quorvix-ola: " << error.what() << "\n\n" << kUsage;
    return 2;
  }
  if (options.help) {
    std::cout << kUsage;
    return 0;
  }
  // A peer that goes away must show as a failed write, not end the program.
  std::signal(SIGPIPE, SIG_IGN);
  // OLA's own warnings repeat on every reconnect attempt; the bridge logs
  // what matters once.
  ola::InitLogging(options.verbose ? ola::OLA_LOG_WARN : ola::OLA_LOG_FATAL,
                   ola::OLA_LOG_STDERR);
  try {
    Plugin plugin(options.library);
    Bridge bridge(options, plugin);
    return bridge.Run();
  } catch (const std::exception& error) {
    Log(error.what());
    return 1;
  }
}
