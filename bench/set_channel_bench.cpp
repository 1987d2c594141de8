// The cost of one SetChannel against a raw write() of the same six bytes
// to the same pseudo-terminal, with trace lines going to a host sink that
// drops them (built all the same: a host sink always listens) and to the
// default sink with G_MESSAGES_DEBUG unset (nobody listens, nothing built).
// Target: at most 1.1 times the raw write in both.
//
// The driver never runs more than 20 ms of line time ahead of the line, so
// both write in bursts that fit it at 230400 baud and the clock stops while
// the line empties between bursts: what is measured is the call, not the
// line.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench_setup.h"

namespace {

using quorvix::bench::BenchSetup;

constexpr int kRounds = 5;
constexpr int kBurst = 64;  // 16.7 ms of line time at 230400 baud
constexpr auto kLineEmpties = std::chrono::milliseconds(20);
constexpr int kBurstsPerRun = 200;
constexpr const char* kRaw = "raw write() of 6 bytes";
constexpr const char* kNullSink = "SetChannel, null host sink";
constexpr const char* kDefaultSink =
    "SetChannel, default sink, G_MESSAGES_DEBUG unset";

BenchSetup* setup = nullptr;
qvx_driver* driver = nullptr;

// After every burst, with the clock stopped.
void LetTheLineEmpty(benchmark::State& state, int& written) {
  if (++written < kBurst) return;
  written = 0;
  state.PauseTiming();
  std::this_thread::sleep_for(kLineEmpties);
  state.ResumeTiming();
}

void RawWrite(benchmark::State& state) {
  const int fd = open(setup->sim->pty_path().c_str(), O_WRONLY | O_NOCTTY);
  if (fd < 0) {
    state.SkipWithError("cannot open the pseudo-terminal");
    return;
  }
  const unsigned char frame[6] = {0xFF, 0x04, 0x00, 0x01, 0xC8, 0x00};
  int written = 0;
  for (auto _ : state) {
    if (write(fd, frame, sizeof frame) != sizeof frame)
      state.SkipWithError("short write");
    LetTheLineEmpty(state, written);
  }
  close(fd);
}

void SetChannel(benchmark::State& state) {
  qvx_bool result = 0;
  int written = 0;
  for (auto _ : state) {
    if (setup->plugin->SetChannel(driver, 5, 200, &result) != 0 || !result) {
      state.SkipWithError(setup->plugin->last_error());
    }
    LetTheLineEmpty(state, written);
  }
}

// Keeps the times per iteration of every run under the benchmark's name.
class FigureReporter : public benchmark::ConsoleReporter {
 public:
  struct Times {
    std::vector<double> wall;
    std::vector<double> cpu;
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      Times& times = by_name[run.run_name.function_name];
      times.wall.push_back(run.GetAdjustedRealTime());
      times.cpu.push_back(run.GetAdjustedCPUTime());
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, Times> by_name;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

void RunOne(FigureReporter& reporter, const char* name,
            void (*function)(benchmark::State&)) {
  benchmark::RegisterBenchmark(name, function)
      ->Iterations(kBurst * kBurstsPerRun);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::ClearRegisteredBenchmarks();
}

bool Call(const char* what, int rc) {
  if (rc == 0) return true;
  std::fprintf(stderr, "%s failed: %s\n", what, setup->plugin->last_error());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // Read once, when the library pins its context at the first qvx_create.
  unsetenv("G_MESSAGES_DEBUG");
  BenchSetup bench_setup("ComSettings=230400,n,8,1\n", {});
  setup = &bench_setup;
  benchmark::Initialize(&argc, argv);

  driver = setup->plugin->create();
  qvx_bool result = 0;
  if (!Call("Init",
            setup->plugin->Init(driver, "Bench", "bench", nullptr, &result))) {
    return 1;
  }
  // Rounds of all three, so that a change in the machine's load meets each
  // alike; the raw write runs while the driver has let go of the line.
  FigureReporter reporter;
  for (int round = 0; round < kRounds; ++round) {
    RunOne(reporter, kRaw, RawWrite);
    if (!Call("Enable", setup->plugin->Enable(driver, &result)) || !result) {
      return 1;
    }
    setup->plugin->set_trace([](void*, const char*) {}, nullptr);
    RunOne(reporter, kNullSink, SetChannel);
    setup->plugin->set_trace(nullptr, nullptr);
    RunOne(reporter, kDefaultSink, SetChannel);
    Call("Disable", setup->plugin->Disable(driver, &result));
  }
  setup->plugin->destroy(driver);

  const FigureReporter::Times& raw = reporter.by_name[kRaw];
  const double raw_wall = Median(raw.wall);
  const double raw_cpu = Median(raw.cpu);
  std::printf(
      "\nMedians of %d rounds; target: SetChannel at most 1.10 times "
      "the raw write\n",
      kRounds);
  std::printf("%-52s %8s %6s %8s %6s\n", "", "wall ns", "ratio", "cpu ns",
              "ratio");
  for (const char* name : {kRaw, kNullSink, kDefaultSink}) {
    const FigureReporter::Times& times = reporter.by_name[name];
    const double wall = Median(times.wall);
    const double cpu = Median(times.cpu);
    std::printf("%-52s %8.0f %6.2f %8.0f %6.2f\n", name, wall, wall / raw_wall,
                cpu, cpu / raw_cpu);
  }
  return 0;
}
