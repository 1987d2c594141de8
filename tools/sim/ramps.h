#pragma once
// Input channels that move by one step every step interval from one value to
// another. The value is a function of the time since the ramp began, so a
// late wake-up catches up instead of stretching the ramp.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "paced_queue.h"

namespace quorvix::sim {

class Ramps {
 public:
  using Apply = std::function<void(int channel, std::uint8_t value)>;

  // The channel takes `from` at once (through apply) and `to` after
  // |to - from| steps. A ramp on the same channel is replaced.
  void Start(int channel, std::uint8_t from, std::uint8_t to,
             std::chrono::milliseconds step, Time now, const Apply& apply);
  void Cancel(int channel) { ramps_.erase(channel); }

  // Applies every value change that has fallen due; finished ramps end.
  void Advance(Time now, const Apply& apply);
  std::optional<Time> NextStep() const;
  std::size_t size() const { return ramps_.size(); }

 private:
  struct Ramp {
    int from;
    int to;
    std::chrono::milliseconds step;
    Time start;
    int current;
  };
  static int ValueAt(const Ramp& ramp, Time now);

  std::map<int, Ramp> ramps_;
};

}  // namespace quorvix::sim
