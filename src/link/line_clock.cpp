#include "link/line_clock.h"

#include <algorithm>
#include <chrono>

namespace quorvix {
namespace {

std::uint64_t HalfBitsPerChar(const LineSettings& settings) {
  const std::uint64_t start = 2;
  const auto data = static_cast<std::uint64_t>(settings.data_bits) * 2;
  const std::uint64_t parity = settings.parity == Parity::kNone ? 0 : 2;
  std::uint64_t stop = 2;
  if (settings.stop_bits == StopBits::kOnePointFive) stop = 3;
  if (settings.stop_bits == StopBits::kTwo) stop = 4;
  return start + data + parity + stop;
}

}  // namespace

LineClock::LineClock(const LineSettings& settings)
    : half_bits_per_char_(HalfBitsPerChar(settings)),
      baud_(std::max<std::uint64_t>(settings.baud, 1)) {}

Clock::duration LineClock::TimeOf(std::size_t bytes) const {
  // Whole seconds apart from the rest, so that no product overflows.
  const std::uint64_t half_bits =
      static_cast<std::uint64_t>(bytes) * half_bits_per_char_;
  const std::uint64_t per_second = 2 * baud_;
  const std::uint64_t rest_ns =
      (half_bits % per_second) * 1'000'000'000 / per_second;
  return std::chrono::ceil<Clock::duration>(
      std::chrono::seconds(half_bits / per_second) +
      std::chrono::nanoseconds(rest_ns));
}

Clock::duration LineClock::Waiting(
    Clock::time_point now, std::optional<std::size_t> system_queued) const {
  const Clock::duration own = std::max(free_at_ - now, Clock::duration::zero());
  return system_queued ? std::max(own, TimeOf(*system_queued)) : own;
}

void LineClock::Wrote(std::size_t bytes, Clock::time_point now) {
  free_at_ = std::max(free_at_, now) + TimeOf(bytes);
}

}  // namespace quorvix
