// A small OLA client of the test's own: sends a full universe that changes
// with every frame, at a fixed rate, and logs when each frame left
// ("<CLOCK_MONOTONIC microseconds> <frame index>"), so the test can match
// the simulator's log against it. Frame i holds BurstValue(channel, i).
// Usage: ola_burst_client UNIVERSE FRAMES_PER_SECOND SECONDS LOG_FILE

#include <ola/DmxBuffer.h>
#include <ola/Logging.h>
#include <ola/client/ClientWrapper.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "burst_frames.h"

namespace {

long long MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

void SleepUntil(timespec when) {
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) != 0) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr,
                 "usage: ola_burst_client UNIVERSE FPS SECONDS LOG_FILE\n");
    return 2;
  }
  const unsigned universe = static_cast<unsigned>(std::atoi(argv[1]));
  const int fps = std::atoi(argv[2]);
  const int seconds = std::atoi(argv[3]);
  if (fps <= 0 || seconds <= 0) {
    std::fprintf(stderr, "FPS and SECONDS must be positive\n");
    return 2;
  }
  ola::InitLogging(ola::OLA_LOG_WARN, ola::OLA_LOG_STDERR);
  ola::client::OlaClientWrapper wrapper(false);  // never start a daemon
  if (!wrapper.Setup()) {
    std::fprintf(stderr, "cannot connect to olad\n");
    return 1;
  }
  std::ofstream log(argv[4]);
  const long long period_ns = 1'000'000'000LL / fps;
  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  for (int frame = 0; frame < fps * seconds; ++frame) {
    ola::DmxBuffer buffer;
    for (unsigned channel = 1; channel <= 512; ++channel) {
      buffer.SetChannel(channel - 1,
                        quorvix::ola_testing::BurstValue(channel, frame));
    }
    log << MonotonicMicroseconds() << ' ' << frame << '\n';
    wrapper.GetClient()->SendDMX(universe, buffer, ola::client::SendDMXArgs());
    wrapper.GetSelectServer()->RunOnce(ola::TimeInterval(0, 0));
    next.tv_nsec += period_ns;
    while (next.tv_nsec >= 1'000'000'000L) {
      next.tv_nsec -= 1'000'000'000L;
      ++next.tv_sec;
    }
    SleepUntil(next);
  }
  log.flush();
  return log ? 0 : 1;
}
