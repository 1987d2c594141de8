#include "line_figures.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "tools/sim/event_log_reader.h"

namespace quorvix::bench {
namespace {

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(share * (values.size() - 1));
  return values[at];
}

}  // namespace

int ChannelFor(long i) { return static_cast<int>(i % 512) + 1; }

int ValueFor(long i) { return static_cast<int>((i * 7 + i / 512) % 256); }

std::array<unsigned char, 6> FrameBytes(int channel, int value) {
  return {0xFF,
          static_cast<unsigned char>((channel - 1) & 0xFF),
          static_cast<unsigned char>((channel - 1) >> 8),
          0x01,
          static_cast<unsigned char>(value),
          0x00};
}

std::vector<LineFrame> FramesOnLine(std::istream& log) {
  std::vector<LineFrame> frames;
  for (const sim::LoggedFrame& frame : sim::FramesOf(sim::ReadSimEventLog(log))) {
    frames.push_back({frame.time_us, frame.channel, frame.value});
  }
  return frames;
}

Figures Measure(const std::vector<LineFrame>& logged, std::size_t first,
                const std::vector<Sent>& sent) {
  Figures figures;
  if (first >= logged.size()) return figures;
  std::vector<double> delays_ms;
  for (std::size_t i = 0; i < sent.size() && first + i < logged.size(); ++i) {
    const LineFrame& frame = logged[first + i];
    if (frame.channel != sent[i].channel || frame.value != sent[i].value) {
      ++figures.unmatched;
      continue;
    }
    delays_ms.push_back(
        static_cast<double>(frame.time_us - sent[i].returned_us) / 1000.0);
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

void PrintFigures(long baud, long long seconds, std::size_t calls,
                  const Figures& ours, std::size_t raw_writes,
                  const Figures& theirs) {
  const double capacity = static_cast<double>(baud) / 10.0 / 6.0;
  std::printf("\n%ld baud, %lld s flat out (line capacity %.1f frames/s)\n",
              baud, seconds, capacity);
  std::printf("  %-34s %10s %10s\n", "", "SetChannel", "raw write");
  std::printf("  %-34s %10zu %10zu\n", "calls", calls, raw_writes);
  std::printf("  %-34s %10.1f %10.1f\n", "frames/s on the line",
              ours.line_frames_per_second, theirs.line_frames_per_second);
  std::printf("  %-34s %10.1f %10.1f\n", "delay return -> line p50 (ms)",
              ours.p50_ms, theirs.p50_ms);
  std::printf("  %-34s %10.1f %10.1f\n", "delay return -> line p99 (ms)",
              ours.p99_ms, theirs.p99_ms);
  std::printf("  %-34s %10.1f %10.1f\n", "longest SetChannel / write (ms)",
              ours.longest_call_ms, theirs.longest_call_ms);
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

}  // namespace quorvix::bench
