// The cost of one SetChannel (trace lines to a null sink) against a raw
// write() of the same six bytes to the same pseudo-terminal.
// Target: at most 1.3 times the raw write.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "bench_setup.h"

namespace {

using quorvix::bench::BenchSetup;

BenchSetup* setup = nullptr;
qvx_driver* driver = nullptr;

void RawWrite(benchmark::State& state) {
  const int fd = open(setup->sim->pty_path().c_str(), O_WRONLY | O_NOCTTY);
  if (fd < 0) {
    state.SkipWithError("cannot open the pseudo-terminal");
    return;
  }
  const unsigned char frame[6] = {0xFF, 0x04, 0x00, 0x01, 0xC8, 0x00};
  for (auto _ : state) {
    if (write(fd, frame, sizeof frame) != sizeof frame)
      state.SkipWithError("short write");
  }
  close(fd);
}

void SetChannel(benchmark::State& state) {
  qvx_bool result = 0;
  for (auto _ : state) {
    if (setup->plugin->SetChannel(driver, 5, 200, &result) != 0 || !result) {
      state.SkipWithError(setup->plugin->last_error());
    }
  }
}

// Keeps the time per iteration of every run, to print the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      nanoseconds[run.run_name.function_name] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> nanoseconds;
};

}  // namespace

int main(int argc, char** argv) {
  BenchSetup bench_setup("ComSettings=38400,n,8,1\n", {});
  setup = &bench_setup;
  benchmark::Initialize(&argc, argv);

  // The raw write first: the driver holds the line exclusively once open.
  benchmark::RegisterBenchmark("raw_write_6_bytes", RawWrite)->MinTime(1.0);
  RatioReporter raw_reporter;
  benchmark::RunSpecifiedBenchmarks(&raw_reporter);
  benchmark::ClearRegisteredBenchmarks();

  driver = setup->plugin->create();
  qvx_bool result = 0;
  if (setup->plugin->Init(driver, "Bench", "bench", nullptr, &result) != 0 ||
      setup->plugin->Enable(driver, &result) != 0 || !result) {
    std::fprintf(stderr, "cannot enable the driver: %s\n",
                 setup->plugin->last_error());
    return 1;
  }
  benchmark::RegisterBenchmark("SetChannel", SetChannel)->MinTime(1.0);
  RatioReporter driver_reporter;
  benchmark::RunSpecifiedBenchmarks(&driver_reporter);
  setup->plugin->Disable(driver, &result);
  setup->plugin->destroy(driver);

  const double raw = raw_reporter.nanoseconds["raw_write_6_bytes"];
  const double driven = driver_reporter.nanoseconds["SetChannel"];
  std::printf(
      "\nSetChannel %.0f ns, raw write %.0f ns: ratio %.2f (target at most "
      "1.30)\n",
      driven, raw, driven / raw);
  return 0;
}
