// quorvix-ola: the Quorvix transmitter as an output (and DMX input) of the
// OLA daemon. See options.h for the command line.

#include <ola/Logging.h>

#include <csignal>
#include <exception>

#include "bridge.h"
#include "log.h"
#include "options.h"
#include "tools/plugin/plugin_library.h"

int main(int argc, char** argv) {
  using namespace quorvix::ola_bridge;
  Options options;
  if (const auto end = quorvix::cli::Report(
          ParseOptions(quorvix::cli::Arguments(argc, argv),
                       QUORVIX_DEFAULT_LIBRARY, options))) {
    return *end;
  }
  StartLog(options.log_level);
  // A peer that goes away must show as a failed write, not end the program.
  std::signal(SIGPIPE, SIG_IGN);
  // OLA's own warnings repeat on every reconnect attempt; the bridge logs
  // what matters once.
  ola::InitLogging(
      options.log_level >= kLogTrace ? ola::OLA_LOG_WARN : ola::OLA_LOG_FATAL,
      ola::OLA_LOG_STDERR);
  try {
    quorvix::host::PluginLibrary plugin(
        options.library, {"the plug-in ", " (too old for quorvix-ola?)"});
    Bridge bridge(options, plugin);
    return bridge.Run();
  } catch (const std::exception& error) {
    Log(Priority::kError, error.what());
    return 1;
  }
}
