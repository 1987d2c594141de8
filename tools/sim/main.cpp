// quorvix-sim: a simulated DMX-Transmitter on a pseudo-terminal, the other
// end of the driver's serial line for tests, benchmarks and the demo.
// Options, commands and the log format: usage.h (also printed by --help).

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "command_source.h"
#include "options.h"
#include "pseudo_terminal.h"
#include "simulator.h"
#include "stop_signals.h"

int main(int argc, char** argv) {
  using namespace quorvix::sim;
  Options options;
  if (const auto end = quorvix::cli::Report(
          ParseOptions(quorvix::cli::Arguments(argc, argv), options))) {
    return *end;
  }
  try {
    const StopSignals signals;
    PseudoTerminal pty;
    const std::string path = pty.path();
    std::unique_ptr<DeviceLink> link;
    if (!options.link.empty())
      link = std::make_unique<DeviceLink>(options.link, path);
    Simulator simulator(std::move(pty), options.log.empty()
                                            ? EventLog()
                                            : EventLog(options.log));
    if (link) {
      simulator.OnReplug([&](const std::string& fresh) {
        link.reset();
        if (!fresh.empty()) {
          link = std::make_unique<DeviceLink>(options.link, fresh);
        }
      });
    }
    for (const Command& command : options.start) simulator.Execute(command);
    quorvix::common::UniqueFd commands;
    if (!options.commands.empty()) {
      commands = OpenCommandSource(options.commands);
      simulator.TakeCommandsFrom(commands.get(), /*end_quits=*/false);
    } else if (options.background) {
      simulator.TakeCommandsFrom(-1, false);
    }
    if (options.background) {
      Detach();
    } else {
      std::printf("pty %s\n", path.c_str());
      std::fflush(stdout);
    }
    return simulator.Run(signals);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quorvix-sim: %s\n", e.what());
    return 1;
  }
}
