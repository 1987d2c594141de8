#pragma once
// How much line time is still waiting ahead of the line: the bytes written
// minus what the line can have carried since, at the set speed and framing
// (start bit, data bits, parity, stop bits). It never banks idle time: a
// line that had nothing to send carries nothing ahead. Where the system
// counts its queue truthfully and says more waits (a line slower than its
// set speed, a stopped line), that count wins. The clock is never set from
// the count: a count that falls faster than the set speed (a USB device that
// takes bytes faster than its set speed) would otherwise hold stale time,
// and a smaller count never lets bytes out faster than the set speed.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/event_loop.h"
#include "platform/serial.h"

namespace quorvix {

class LineClock {
 public:
  explicit LineClock(const LineSettings& settings);

  // The line time of `bytes` characters.
  Clock::duration TimeOf(std::size_t bytes) const;

  // Line time still waiting at `now`; `system_queued` is the system's own
  // count where it has a truthful one.
  Clock::duration Waiting(Clock::time_point now,
                          std::optional<std::size_t> system_queued) const;

  // `bytes` went to the system at `now`.
  void Wrote(std::size_t bytes, Clock::time_point now);

 private:
  std::uint64_t half_bits_per_char_;
  std::uint64_t baud_;
  // When the line will have carried everything written; never earlier than
  // the last write, so idle time is never counted in advance.
  Clock::time_point free_at_{};
};

}  // namespace quorvix
