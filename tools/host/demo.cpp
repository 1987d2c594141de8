#include "demo.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "common/temp_folder.h"
#include "host_session.h"
#include "tools/host/sim_process.h"
#include "tools/plugin/plugin_library.h"
#include "tools/sim/event_log_reader.h"

namespace quorvix::host {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTitle = "Quorvix Demo";
constexpr const char* kFileName = "libquorvix.so";

void Step(const std::string& text) { std::cout << "\n== " << text << "\n"; }

// The simulator's log lines of one kind ("rx", "frame", ...), newest last.
std::vector<std::string> LogLines(const fs::path& log,
                                  const std::string& event) {
  std::vector<std::string> lines;
  for (const sim::LoggedEvent& logged : sim::ReadSimEventLog(log)) {
    if (sim::DetailsOf(logged, event)) lines.push_back(logged.text);
  }
  return lines;
}

void ShowFile(const fs::path& path) {
  std::ifstream in(path);
  std::cout << in.rdbuf();
}

}  // namespace

int RunDemo(const std::string& library_path, const std::string& sim_path,
            bool show_trace) {
  const common::TempFolder config("quorvix-demo");
  setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  const fs::path settings_file =
      config.path() / "quorvix" / (std::string(kTitle) + ".ini");
  fs::create_directories(settings_file.parent_path());
  // DMX input on, at full speed, so the demo needs no dialog.
  std::ofstream(settings_file)
      << "[Plugins\\" << kFileName << "]\n"
      << "ComPort=1\nComSettings=38400,n,8,1\n"
      << "DMXInActive=True\nDMXInChannels=16\nDMXInInterval=50\n";

  Step(
      "Starting the simulated DMX-Transmitter; COM1 is linked to its "
      "pseudo-terminal");
  const fs::path sim_log = config.path() / "sim.log";
  SimProcess sim(
      sim_path,
      {"--link", (config.path() / "quorvix" / "ports" / "COM1").string(),
       "--log", sim_log.string()});
  std::cout << "transmitter on " << sim.pty_path() << "\n";

  PluginLibrary plugin(library_path);
  HostSession session(plugin, std::cout, show_trace);

  Step("Host loads the plug-in and starts it");
  session.PluginName();
  session.Init(kTitle, kFileName);
  if (!session.Enable()) return 1;

  Step("Road of one channel value: host -> six-byte frame -> transmitter");
  session.ShowTrace(true);
  session.SetChannel(5, 200);
  session.ShowTrace(show_trace);
  session.Pump(100);
  for (const std::string& line : LogLines(sim_log, "rx")) {
    if (line.find("FF 04 00 01 C8 00") != std::string::npos) {
      std::cout << "transmitter received: " << line << "\n";
    }
  }
  std::cout << "transmitter decoded:  " << LogLines(sim_log, "frame").back()
            << "\n"
            << "transmitter: " << sim.Command("out 5") << "\n";

  Step("A chase over channels 1 to 8, as the transmitter sees it");
  for (int channel = 1; channel <= 8; ++channel) {
    for (int other = 1; other <= 8; ++other) {
      session.SetChannel(other, other == channel ? 255 : 0, /*quiet=*/true);
    }
    session.Pump(80);
    std::ostringstream line;
    for (int other = 1; other <= 8; ++other) {
      const std::string answer = sim.Command("out " + std::to_string(other));
      line << (answer.find("255") != std::string::npos ? '#' : '.');
    }
    std::cout << "transmitter channels 1-8: " << line.str() << "\n";
  }

  Step("Road of one DMX-In change: transmitter input -> poll -> host");
  std::cout << "transmitter: " << sim.Command("in 12 255") << "\n";
  session.ShowTrace(true);
  session.Pump(60);
  session.ShowTrace(show_trace);
  session.Pump(240);
  std::cout << "transmitter: " << sim.Command("in 3 42") << "\n";
  std::cout << "transmitter: " << sim.Command("in 12 0") << "\n";
  session.Pump(300);

  Step("Host stops the plug-in; Term writes the settings back");
  session.Disable();
  session.Term();
  ShowFile(settings_file);
  std::cout << "\nDemo finished.\n";
  return 0;
}

}  // namespace quorvix::host
