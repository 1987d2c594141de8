#pragma once
// The burst's frames, known to the client that sends them and to the test
// that checks what arrived: every channel changes with every frame, and a
// channel's value repeats only after 256 frames.

#include <cstdint>

namespace quorvix::ola_testing {

inline std::uint8_t BurstValue(unsigned channel, int frame) {
  return static_cast<std::uint8_t>((frame * 7 + channel * 3) % 256);
}

}  // namespace quorvix::ola_testing
