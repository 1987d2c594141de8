// A host that sends faster than the line carries: SetChannel as fast as it
// returns for 10 s over a line that quorvix-sim paces at 19200 and at 38400
// baud, then a raw blocking writer on the same line for as long. Figures:
// line use against the raw writer (target >= 0.99), delay from SetChannel's
// return to the frame leaving the line, p50 and p99 (target p99 <= 25 ms),
// the longest SetChannel; the raw writer's own delay beside them (what
// writing until the system refuses gives). The simulator logs each frame as
// the paced line takes it, on the same clock as this process.
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
#include <sstream>
#include <string>
#include <vector>

#include "common/temp_folder.h"
#include "plugin_library.h"
#include "sim_process.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

struct Sent {
  int channel;
  int value;
  Clock::time_point returned;
};

struct LineFrame {
  long long time_us;
  int channel;
  int value;
};

struct Figures {
  double line_frames_per_second = 0;
  double p50_ms = 0;
  double p99_ms = 0;
  double longest_call_ms = 0;
  long frames = 0;
  long unmatched = 0;
};

long long Microseconds(Clock::time_point time) {
  return std::chrono::duration_cast<microseconds>(time.time_since_epoch())
      .count();
}

int ValueFor(long i) { return static_cast<int>((i * 7 + i / 512) % 256); }

std::vector<LineFrame> FramesOnLine(const std::string& log_path) {
  std::vector<LineFrame> frames;
  std::ifstream log(log_path);
  std::string line;
  while (std::getline(log, line)) {
    std::istringstream words(line);
    LineFrame frame{};
    std::string event;
    if (words >> frame.time_us >> event >> frame.channel >> frame.value &&
        event == "frame") {
      frames.push_back(frame);
    }
  }
  return frames;
}

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(share * (values.size() - 1));
  return values[at];
}

// Matches the frames logged from `first` on with `sent`, in order.
Figures Measure(const std::vector<LineFrame>& logged, std::size_t first,
                const std::vector<Sent>& sent) {
  Figures figures;
  std::vector<double> delays_ms;
  for (std::size_t i = 0; i < sent.size() && first + i < logged.size(); ++i) {
    const LineFrame& frame = logged[first + i];
    if (frame.channel != sent[i].channel || frame.value != sent[i].value) {
      ++figures.unmatched;
      continue;
    }
    delays_ms.push_back(
        static_cast<double>(frame.time_us - Microseconds(sent[i].returned)) /
        1000.0);
  }
  figures.frames =
      static_cast<long>(std::min(sent.size(), logged.size() - first));
  if (figures.frames > 1) {
    const double span_s =
        static_cast<double>(logged[first + figures.frames - 1].time_us -
                            logged[first].time_us) /
        1e6;
    figures.line_frames_per_second =
        static_cast<double>(figures.frames - 1) / span_s;
  }
  figures.p50_ms = Percentile(delays_ms, 0.50);
  figures.p99_ms = Percentile(delays_ms, 0.99);
  return figures;
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
    if (!RawFlood(sim.pty_path(), raw)) return false;
    AwaitFrames(sim, before_raw + static_cast<long>(raw.size()));

    const std::vector<LineFrame> logged = FramesOnLine(log);
    Figures ours = Measure(logged, 0, driver);
    ours.longest_call_ms =
        std::chrono::duration<double, std::milli>(longest).count();
    const Figures theirs =
        Measure(logged, static_cast<std::size_t>(before_raw), raw);
    Print(baud, driver.size(), ours, raw.size(), theirs);
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
      const int channel = static_cast<int>(i % 512) + 1;
      const auto call = Clock::now();
      if (plugin_.SetChannel(driver, channel, ValueFor(i), &result) != 0) {
        std::fprintf(stderr, "SetChannel failed: %s\n", plugin_.last_error());
        break;
      }
      const auto returned = Clock::now();
      longest = std::max(longest, returned - call);
      sent.push_back({channel, ValueFor(i), returned});
      if (i % 64 == 0) plugin_.pump(0);
    }
    plugin_.Disable(driver, &result);
    plugin_.Term(driver, &result);
    plugin_.destroy(driver);
    return true;
  }

  // write() of each frame until it is all taken, blocking: the system's
  // queue fills and the writer follows the line from then on.
  bool RawFlood(const std::string& pty, std::vector<Sent>& sent) {
    const int fd = open(pty.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
      std::perror(pty.c_str());
      return false;
    }
    const auto end = Clock::now() + span_;
    for (long i = 0; Clock::now() < end; ++i) {
      const int channel = static_cast<int>(i % 512) + 1;
      const unsigned char frame[6] = {
          0xFF,
          static_cast<unsigned char>((channel - 1) & 0xFF),
          static_cast<unsigned char>((channel - 1) >> 8),
          0x01,
          static_cast<unsigned char>(ValueFor(i)),
          0x00};
      if (write(fd, frame, sizeof frame) != sizeof frame) {
        std::perror("raw write");
        break;
      }
      sent.push_back({channel, ValueFor(i), Clock::now()});
    }
    close(fd);
    return true;
  }

  void Print(long baud, std::size_t calls, const Figures& ours,
             std::size_t raw_writes, const Figures& theirs) const {
    const double capacity = static_cast<double>(baud) / 10.0 / 6.0;
    std::printf("\n%ld baud, %lld s flat out (line capacity %.1f frames/s)\n",
                baud, static_cast<long long>(span_.count()), capacity);
    std::printf("  %-34s %10s %10s\n", "", "SetChannel", "raw write");
    std::printf("  %-34s %10zu %10zu\n", "calls", calls, raw_writes);
    std::printf("  %-34s %10.1f %10.1f\n", "frames/s on the line",
                ours.line_frames_per_second, theirs.line_frames_per_second);
    std::printf("  %-34s %10.1f %10.1f\n", "delay return -> line p50 (ms)",
                ours.p50_ms, theirs.p50_ms);
    std::printf("  %-34s %10.1f %10.1f\n", "delay return -> line p99 (ms)",
                ours.p99_ms, theirs.p99_ms);
    std::printf("  %-34s %10.1f\n", "longest SetChannel (ms)",
                ours.longest_call_ms);
    std::printf("  %-34s %10ld %10ld\n", "frames not matched in order",
                ours.unmatched, theirs.unmatched);
    const double use =
        theirs.line_frames_per_second > 0
            ? ours.line_frames_per_second / theirs.line_frames_per_second
            : 0;
    std::printf("  line use against the raw writer: %.3f (target >= 0.99)\n",
                use);
    std::printf("  p99 delay: %.1f ms (target <= 25 ms)\n", ours.p99_ms);
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
