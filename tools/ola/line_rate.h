#pragma once
// How many channel frames a second the line carries: the budget of the
// token bucket that paces the bridge's writes.

namespace quorvix::ola_bridge {

struct LineRate {
  double frames_per_second;
  double burst_frames;  // the most line time ever queued, in frames
};

// 10 bits a byte on the line, 6 bytes a channel frame, the whole line for
// channel frames less the 4-byte DMX-In request of every poll when input is
// on (interval_ms > 0).
// Throws std::invalid_argument for a baud rate that leaves no room.
LineRate LineRateFor(long baud, bool dmx_in_active, long interval_ms);

}  // namespace quorvix::ola_bridge
