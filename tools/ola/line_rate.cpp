#include "line_rate.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace quorvix::ola_bridge {
namespace {

constexpr double kBitsPerByte = 10;
constexpr double kBytesPerFrame = 6;
constexpr double kPollRequestBytes = 4;
// Line time the tty may hold: short enough that a value is never stale.
constexpr double kQueuedSeconds = 0.020;
// Lines seldom run exactly back to back (a USB adapter's gaps, a busy
// simulator): paced at the nominal rate, a line a few percent slower would
// grow a queue that no bucket can see. This share keeps it empty.
constexpr double kLineShare = 0.9;

}  // namespace

LineRate LineRateFor(long baud, bool dmx_in_active, long interval_ms) {
  double bytes_per_second = kLineShare * baud / kBitsPerByte;
  if (dmx_in_active && interval_ms > 0) {
    bytes_per_second -= kPollRequestBytes * 1000.0 / interval_ms;
  }
  const double frames = bytes_per_second / kBytesPerFrame;
  if (!(frames >= 1)) {
    throw std::invalid_argument("a line at " + std::to_string(baud) +
                                " baud leaves no room for channel frames");
  }
  return {frames, std::max(1.0, frames * kQueuedSeconds)};
}

}  // namespace quorvix::ola_bridge
