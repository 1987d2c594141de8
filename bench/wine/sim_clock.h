#pragma once
// This process's clock placed against the simulator's (CLOCK_MONOTONIC), by
// round trips to wine_clock_echo on 127.0.0.1: of a batch, the quickest
// round trip counts, the echo's time taken as the middle of it, so the
// placement is good to half that round trip. Wine's QueryPerformanceCounter
// reads a Linux clock too, but not necessarily CLOCK_MONOTONIC (Wine 8 reads
// CLOCK_MONOTONIC_RAW, which NTP does not slew), so a run is placed before
// and after, and the times between interpolated.

#include <winsock2.h>

#include <string>

namespace quorvix::bench {

// Microseconds of QueryPerformanceCounter.
long long LocalMicroseconds();

struct Placement {
  long long local_us = 0;   // when, on this process's clock
  long long offset_us = 0;  // simulator's clock minus this process's
  long long round_trip_us = 0;
};

class SimClock {
 public:
  // Throws std::runtime_error when there is no socket to the echo.
  explicit SimClock(unsigned short echo_port);
  ~SimClock();
  SimClock(const SimClock&) = delete;
  SimClock& operator=(const SimClock&) = delete;

  // Throws std::runtime_error when no round trip comes back.
  Placement Place(int round_trips = 200);

 private:
  bool RoundTrip(Placement& placement);

  SOCKET socket_ = INVALID_SOCKET;
  unsigned long sequence_ = 0;
};

// The simulator's time of `local_us`, between (or near) two placements.
long long ToSimulator(long long local_us, const Placement& before,
                      const Placement& after);

}  // namespace quorvix::bench
