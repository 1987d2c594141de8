#pragma once
// A temporary config folder with COM1 linked to a fresh quorvix-sim, and the
// plug-in loaded as a host loads it, with trace lines going nowhere.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/temp_folder.h"
#include "tools/host/sim_process.h"
#include "tools/plugin/plugin_library.h"

namespace quorvix::bench {

class BenchSetup {
 public:
  BenchSetup(const std::string& settings_lines,
             const std::vector<std::string>& sim_arguments) {
    setenv("XDG_CONFIG_HOME", folder_.path().c_str(), 1);
    std::filesystem::create_directories(folder_ / "quorvix");
    std::ofstream(folder_ / "quorvix" / "Bench.ini") << "[Plugins\\bench]\n"
                                                     << settings_lines;
    std::vector<std::string> arguments{
        "--link", (folder_ / "quorvix" / "ports" / "COM1").string()};
    arguments.insert(arguments.end(), sim_arguments.begin(),
                     sim_arguments.end());
    sim = std::make_unique<host::SimProcess>(QUORVIX_SIM, arguments);
    plugin = std::make_unique<host::PluginLibrary>(QUORVIX_LIBRARY);
    plugin->set_trace([](void*, const char*) {}, nullptr);
    plugin->set_message_box([](void*, int, const char*, const char*) {},
                            nullptr);
  }

  ~BenchSetup() {
    plugin.reset();
    sim.reset();
  }

  std::unique_ptr<host::SimProcess> sim;
  std::unique_ptr<host::PluginLibrary> plugin;

 private:
  const common::TempFolder folder_{"quorvix-bench"};
};

}  // namespace quorvix::bench
