#pragma once
// What the line-pacing benchmarks measure, on Linux and under Wine alike:
// the frames the simulator's log shows leaving its paced line, matched in
// order with what the host handed over, and the figures against their
// targets. Plain C++: the Windows host builds it too.

#include <array>
#include <cstddef>
#include <istream>
#include <vector>

namespace quorvix::bench {

// One frame handed over, by SetChannel or by a raw write, with the time the
// call returned in microseconds of the simulator's clock (CLOCK_MONOTONIC).
struct Sent {
  int channel;
  int value;
  long long returned_us;
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

// The i-th frame of a flood: channels 1..512 in turn, the value changing from
// one pass to the next, so that a frame lost or repeated shows as unmatched.
int ChannelFor(long i);
int ValueFor(long i);
// A channel value as the line carries it.
std::array<unsigned char, 6> FrameBytes(int channel, int value);

// The "frame" events of a simulator log.
std::vector<LineFrame> FramesOnLine(std::istream& log);

// Matches the frames logged from `first` on with `sent`, in order.
Figures Measure(const std::vector<LineFrame>& logged, std::size_t first,
                const std::vector<Sent>& sent);

// One baud rate's table: the driver's SetChannel calls beside the raw
// writer, then line use and p99 delay against their targets.
void PrintFigures(long baud, long long seconds, std::size_t calls,
                  const Figures& ours, std::size_t raw_writes,
                  const Figures& theirs);

}  // namespace quorvix::bench
