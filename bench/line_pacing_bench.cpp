// A host that sends faster than the line carries: SetChannel as fast as it
// returns for 10 s over a line that quorvix-sim paces at 19200 and at 38400
// baud, then a raw blocking writer on the same line for as long. Figures:
// line use against the raw writer (target >= 0.99), delay from SetChannel's
// return to the frame leaving the line, p50 and p99 (target p99 <= 25 ms),
// the longest SetChannel; the raw writer's own delay and longest write
// beside them (what writing until the system refuses gives). The simulator logs
// each frame as the paced line takes it, on the same clock as this process.
//   line_pacing_bench [SECONDS] [LIBRARY]

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/temp_folder.h"
#include "line_figures.h"
#include "tools/host/sim_process.h"
#include "tools/plugin/plugin_library.h"

namespace {

using Clock = std::chrono::steady_clock;
using quorvix::bench::Figures;
using quorvix::bench::Sent;

long long Microseconds(Clock::time_point time) {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             time.time_since_epoch())
      .count();
}

long SimFrames(quorvix::host::SimProcess& sim) {
  const std::string stats = sim.Command("stats");
  const auto at = stats.find(" frames=");
  return at == std::string::npos ? -1 : std::stol(stats.substr(at + 8));
}

// A paced line is still carrying what was written: waits (bounded) until the
// simulator has taken `frames`.
void AwaitFrames(quorvix::host::SimProcess& sim, long frames) {
  const auto end = Clock::now() + std::chrono::seconds(60);
  while (SimFrames(sim) < frames && Clock::now() < end) {
    usleep(50'000);
  }
}

class Bench {
 public:
  Bench(const std::string& library, std::chrono::seconds span)
      : span_(span), plugin_(library) {
    setenv("XDG_CONFIG_HOME", folder_.path().c_str(), 1);
    std::filesystem::create_directories(folder_ / "quorvix" / "ports");
    plugin_.set_trace([](void*, const char*) {}, nullptr);
    plugin_.set_message_box([](void*, int, const char*, const char*) {},
                            nullptr);
  }

  bool Run(long baud) {
    const std::string rate = std::to_string(baud);
    const std::string log = (folder_ / ("sim-" + rate + ".log")).string();
    std::ofstream(folder_ / "quorvix" / "Bench.ini")
        << "[Plugins\\bench]\nComSettings=" << rate << ",n,8,1\n";
    quorvix::host::SimProcess sim(
        QUORVIX_SIM,
        {"--link", (folder_ / "quorvix" / "ports" / "COM1").string(), "--log",
         log, "--baud", rate});

    std::vector<Sent> driver;
    Clock::duration longest{};
    if (!Flood(driver, longest)) return false;
    const long before_raw = static_cast<long>(driver.size());
    AwaitFrames(sim, before_raw);

    std::vector<Sent> raw;
    Clock::duration longest_write{};
    if (!RawFlood(sim.pty_path(), raw, longest_write)) return false;
    AwaitFrames(sim, before_raw + static_cast<long>(raw.size()));

    std::ifstream log_file(log);
    const auto logged = quorvix::bench::FramesOnLine(log_file);
    Figures ours = quorvix::bench::Measure(logged, 0, driver);
    ours.longest_call_ms =
        std::chrono::duration<double, std::milli>(longest).count();
    Figures theirs = quorvix::bench::Measure(
        logged, static_cast<std::size_t>(before_raw), raw);
    theirs.longest_call_ms =
        std::chrono::duration<double, std::milli>(longest_write).count();
    quorvix::bench::PrintFigures(baud, span_.count(), driver.size(), ours,
                                 raw.size(), theirs);
    return true;
  }

 private:
  bool Flood(std::vector<Sent>& sent, Clock::duration& longest) {
    qvx_driver* driver = plugin_.create();
    qvx_bool result = 0;
    if (plugin_.Init(driver, "Bench", "bench", nullptr, &result) != 0 ||
        plugin_.Enable(driver, &result) != 0 || !result) {
      std::fprintf(stderr, "cannot enable the driver: %s\n",
                   plugin_.last_error());
      plugin_.destroy(driver);
      return false;
    }
    const auto end = Clock::now() + span_;
    for (long i = 0; Clock::now() < end; ++i) {
      const int channel = quorvix::bench::ChannelFor(i);
      const int value = quorvix::bench::ValueFor(i);
      const auto call = Clock::now();
      if (plugin_.SetChannel(driver, channel, value, &result) != 0) {
        std::fprintf(stderr, "SetChannel failed: %s\n", plugin_.last_error());
        break;
      }
      const auto returned = Clock::now();
      longest = std::max(longest, returned - call);
      sent.push_back({channel, value, Microseconds(returned)});
      if (i % 64 == 0) plugin_.pump(0);
    }
    plugin_.Disable(driver, &result);
    plugin_.Term(driver, &result);
    plugin_.destroy(driver);
    return true;
  }

  // write() of each frame until it is all taken, blocking: the system's
  // queue fills and the writer follows the line from then on.
  bool RawFlood(const std::string& pty, std::vector<Sent>& sent,
                Clock::duration& longest) {
    const int fd = open(pty.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
      std::perror(pty.c_str());
      return false;
    }
    const auto end = Clock::now() + span_;
    for (long i = 0; Clock::now() < end; ++i) {
      const int channel = quorvix::bench::ChannelFor(i);
      const int value = quorvix::bench::ValueFor(i);
      const auto frame = quorvix::bench::FrameBytes(channel, value);
      const auto call = Clock::now();
      if (write(fd, frame.data(), frame.size()) !=
          static_cast<ssize_t>(frame.size())) {
        std::perror("raw write");
        break;
      }
      const auto returned = Clock::now();
      longest = std::max(longest, returned - call);
      sent.push_back({channel, value, Microseconds(returned)});
    }
    close(fd);
    return true;
  }

  const quorvix::common::TempFolder folder_{"quorvix-bench"};
  std::chrono::seconds span_;
  quorvix::host::PluginLibrary plugin_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::chrono::seconds span(argc > 1 ? std::atoi(argv[1]) : 10);
  const std::string library = argc > 2 ? argv[2] : QUORVIX_LIBRARY;
  unsetenv("G_MESSAGES_DEBUG");
  Bench bench(library, span);
  for (const long baud : {19200L, 38400L}) {
    if (!bench.Run(baud)) return 1;
  }
  return 0;
}
