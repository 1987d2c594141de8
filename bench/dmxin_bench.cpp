// DMX input over a line at the real speed of 38400 baud, 50 channels, 50 ms
// poll interval: (a) latency from a change in the simulator to the host's
// callback, p50 and p99 over 200 changes; (b) CPU time of the host thread per
// second of polling, trace lines going to a null sink.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "bench_setup.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kChannels = 50;
constexpr int kIntervalMs = 50;
constexpr int kBaud = 38400;
constexpr int kChanges = 200;

struct Watcher {
  int channel = 0;
  int value = -1;
  bool seen = false;
  Clock::time_point when;
};

int Invoke(void* context, const char*, int32_t channel, uint8_t value) {
  auto* watcher = static_cast<Watcher*>(context);
  if (channel == watcher->channel && value == watcher->value &&
      !watcher->seen) {
    watcher->seen = true;
    watcher->when = Clock::now();
  }
  return 0;
}

double ThreadCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) /
             1e6;
}

void PumpFor(const quorvix::host::PluginLibrary& plugin,
             std::chrono::milliseconds span) {
  const auto end = Clock::now() + span;
  while (Clock::now() < end) plugin.pump(10);
}

}  // namespace

int main() {
  quorvix::bench::BenchSetup setup(
      "ComSettings=38400,n,8,1\nDMXInActive=True\nDMXInChannels="
      "50\nDMXInInterval=50\n",
      {"--baud", std::to_string(kBaud)});
  auto& plugin = *setup.plugin;
  Watcher watcher;
  const qvx_helper helper{&watcher, &Invoke, nullptr};
  qvx_driver* driver = plugin.create();
  qvx_bool result = 0;
  if (plugin.Init(driver, "Bench", "bench", &helper, &result) != 0 ||
      plugin.Enable(driver, &result) != 0 || !result) {
    std::fprintf(stderr, "cannot enable the driver: %s\n", plugin.last_error());
    return 1;
  }
  PumpFor(plugin, std::chrono::milliseconds(300));

  std::mt19937 random(12345);
  std::uniform_int_distribution<int> phase_ms(0, kIntervalMs);
  std::vector<double> latencies_ms;
  int missed = 0;
  for (int i = 0; i < kChanges; ++i) {
    watcher = {1 + i % kChannels, 1 + (i / kChannels) % 250, false, {}};
    const auto changed_at = Clock::now();
    setup.sim->Command("in " + std::to_string(watcher.channel) + " " +
                       std::to_string(watcher.value));
    const auto give_up = changed_at + std::chrono::seconds(2);
    while (!watcher.seen && Clock::now() < give_up) plugin.pump(5);
    if (!watcher.seen) {
      ++missed;
      continue;
    }
    latencies_ms.push_back(
        std::chrono::duration<double, std::milli>(watcher.when - changed_at)
            .count());
    PumpFor(plugin, std::chrono::milliseconds(phase_ms(random)));
  }

  const double cpu_before = ThreadCpuSeconds();
  const auto wall_before = Clock::now();
  PumpFor(plugin, std::chrono::seconds(5));
  const double cpu_seconds = ThreadCpuSeconds() - cpu_before;
  const double wall_seconds =
      std::chrono::duration<double>(Clock::now() - wall_before).count();

  plugin.Disable(driver, &result);
  plugin.Term(driver, &result);
  plugin.destroy(driver);

  std::sort(latencies_ms.begin(), latencies_ms.end());
  const auto percentile = [&](double p) {
    if (latencies_ms.empty()) return 0.0;
    const auto index = static_cast<std::size_t>(
        p * static_cast<double>(latencies_ms.size() - 1));
    return latencies_ms[index];
  };
  const double line_ms = (4.0 + kChannels + 1) * 10.0 * 1000.0 / kBaud;
  const double target_ms = kIntervalMs + line_ms + 5.0;
  std::printf(
      "DMX-In latency over %zu changes (%d missed): p50 %.1f ms, p99 %.1f ms "
      "(target p99 at most %.1f ms = %d ms interval + %.1f ms line time + 5 "
      "ms)\n",
      latencies_ms.size(), missed, percentile(0.50), percentile(0.99),
      target_ms, kIntervalMs, line_ms);
  std::printf(
      "Host thread CPU while polling: %.2f %% of one core (target at most 2 "
      "%%)\n",
      100.0 * cpu_seconds / wall_seconds);
  return 0;
}
