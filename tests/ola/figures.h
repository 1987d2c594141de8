#pragma once
// Figures the test prints (never asserts): latency from the burst client's
// send to the frame on the simulator's line, by both logs' CLOCK_MONOTONIC
// microseconds, and the bridge's CPU use.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quorvix::ola_testing {

struct LineFrame {
  long long time_us;
  unsigned channel;
  std::uint8_t value;
};

// "<time> frame CH VALUE" lines of a quorvix-sim log.
std::vector<LineFrame> FramesOnLine(const std::string& sim_log);

// "<time> <frame index>" lines of the burst client's log: send times by
// frame index.
std::vector<long long> BurstSendTimes(const std::string& burst_log);

// For every frame on the line after the burst began: time since the burst
// frame whose value it carries was sent (the latest one that matches).
// Frames matching no burst frame are left out.
std::vector<long long> LatenciesUs(const std::vector<LineFrame>& frames,
                                   const std::vector<long long>& send_times);

// The value at quantile q (0..1) of `values`; 0 when empty.
long long Percentile(std::vector<long long> values, double q);

// User plus system CPU time of `pid` so far, in seconds.
double CpuSeconds(pid_t pid);

}  // namespace quorvix::ola_testing
