#include "line_rate.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace quorvix::ola_bridge {
namespace {

constexpr double kBitsPerByte = 10;
constexpr double kBytesPerFrame = 6;
constexpr double kPollRequestBytes = 4;
// Line time one pass may write at once: short enough that the loop is never
// held long. A line slower than its nominal rate (a USB adapter's gaps)
// grows no queue: the driver itself keeps at most 20 ms of line time ahead
// of the line and makes SetChannel wait for room.
constexpr double kQueuedSeconds = 0.020;

}  // namespace

LineRate LineRateFor(long baud, bool dmx_in_active, long interval_ms) {
  double bytes_per_second = baud / kBitsPerByte;
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
