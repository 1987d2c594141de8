#include "ramps.h"

#include <algorithm>
#include <cstdlib>

namespace quorvix::sim {

void Ramps::Start(int channel, std::uint8_t from, std::uint8_t to,
                  std::chrono::milliseconds step, Time now,
                  const Apply& apply) {
  ramps_.erase(channel);
  apply(channel, from);
  if (from != to)
    ramps_.insert_or_assign(channel, Ramp{from, to, step, now, from});
}

int Ramps::ValueAt(const Ramp& ramp, Time now) {
  const long steps = static_cast<long>((now - ramp.start) / ramp.step);
  const long distance = std::labs(ramp.to - ramp.from);
  const long moved = std::min(steps, distance);
  return ramp.to > ramp.from ? ramp.from + static_cast<int>(moved)
                             : ramp.from - static_cast<int>(moved);
}

void Ramps::Advance(Time now, const Apply& apply) {
  for (auto it = ramps_.begin(); it != ramps_.end();) {
    Ramp& ramp = it->second;
    const int value = ValueAt(ramp, now);
    if (value != ramp.current) {
      ramp.current = value;
      apply(it->first, static_cast<std::uint8_t>(value));
    }
    it = ramp.current == ramp.to ? ramps_.erase(it) : std::next(it);
  }
}

std::optional<Time> Ramps::NextStep() const {
  std::optional<Time> next;
  for (const auto& [channel, ramp] : ramps_) {
    const long done = std::labs(ramp.current - ramp.from);
    const Time at = ramp.start + ramp.step * (done + 1);
    if (!next || at < *next) next = at;
  }
  return next;
}

}  // namespace quorvix::sim
