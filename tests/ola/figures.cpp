#include "figures.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "burst_frames.h"
#include "tools/sim/event_log_reader.h"

namespace quorvix::ola_testing {

std::vector<LineFrame> FramesOnLine(const std::string& sim_log) {
  std::vector<LineFrame> frames;
  for (const sim::LoggedFrame& frame :
       sim::FramesOf(sim::ReadSimEventLog(sim_log))) {
    frames.push_back({frame.time_us, static_cast<unsigned>(frame.channel),
                      static_cast<std::uint8_t>(frame.value)});
  }
  return frames;
}

std::vector<long long> BurstSendTimes(const std::string& burst_log) {
  std::vector<long long> times;
  std::ifstream log(burst_log);
  long long time = 0;
  std::size_t index = 0;
  while (log >> time >> index) {
    if (index != times.size()) break;  // the log is written in order
    times.push_back(time);
  }
  return times;
}

std::vector<long long> LatenciesUs(const std::vector<LineFrame>& frames,
                                   const std::vector<long long>& send_times) {
  std::vector<long long> latencies;
  if (send_times.empty()) return latencies;
  for (const LineFrame& frame : frames) {
    if (frame.time_us < send_times.front()) continue;
    // The latest frame sent before this one reached the line ...
    auto sent =
        std::upper_bound(send_times.begin(), send_times.end(), frame.time_us);
    // ... back to the one that holds this value (values repeat only after
    // 256 frames, far longer than any latency).
    for (int back = 0; back < 256 && sent != send_times.begin(); ++back) {
      --sent;
      const int index = static_cast<int>(sent - send_times.begin());
      if (BurstValue(frame.channel, index) == frame.value) {
        latencies.push_back(frame.time_us - *sent);
        break;
      }
    }
  }
  return latencies;
}

long long Percentile(std::vector<long long> values, double q) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(q * (values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

double CpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  std::getline(stat, text);
  // Fields after the command name (which may hold spaces) in parentheses.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long long utime = 0;
  long long stime = 0;
  for (int number = 3; fields >> field; ++number) {
    if (number == 14) utime = std::stoll(field);
    if (number == 15) {
      stime = std::stoll(field);
      break;
    }
  }
  return static_cast<double>(utime + stime) /
         static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace quorvix::ola_testing
