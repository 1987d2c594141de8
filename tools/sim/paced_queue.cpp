#include "paced_queue.h"

#include <algorithm>

namespace quorvix::sim {

void PacedQueue::SetBaud(long baud) {
  baud_ = baud > 0 ? baud : 0;
  // Rounded up, so a byte never leaves early.
  byte_time_ = baud_ > 0 ? nanoseconds((10'000'000'000LL + baud_ - 1) / baud_)
                         : nanoseconds(0);
}

void PacedQueue::SetSplit(std::optional<nanoseconds> gap) { split_gap_ = gap; }

std::size_t PacedQueue::Push(std::span<const std::uint8_t> bytes, Time now,
                             std::optional<Time> waiting_since) {
  if (queue_.empty()) {
    line_free_ =
        std::max(line_free_, std::min(waiting_since.value_or(now), now));
  }
  const std::size_t room = capacity_ - queue_.size();
  const std::size_t taken = std::min(room, bytes.size());
  queue_.insert(queue_.end(), bytes.begin(),
                bytes.begin() + static_cast<std::ptrdiff_t>(taken));
  return taken;
}

std::optional<Time> PacedQueue::NextRelease() const {
  if (queue_.empty()) return std::nullopt;
  const std::size_t first = split_gap_ ? 1 : std::min(queue_.size(), batch_);
  Time at = line_free_ + byte_time_ * static_cast<long>(first);
  if (split_gap_) at = std::max(at, last_release_ + *split_gap_);
  return at;
}

std::size_t PacedQueue::Due(Time now) const {
  const auto next = NextRelease();
  if (!next || *next > now) return 0;
  if (split_gap_) return 1;
  if (byte_time_.count() == 0) return queue_.size();
  const auto carried =
      static_cast<std::size_t>((now - line_free_) / byte_time_);
  if (carried < std::min(queue_.size(), batch_)) return 0;
  return std::min(queue_.size(), carried);
}

void PacedQueue::Release(std::size_t count, Time now) {
  count = std::min(count, queue_.size());
  if (count == 0) return;
  queue_.erase(queue_.begin(),
               queue_.begin() + static_cast<std::ptrdiff_t>(count));
  line_free_ += byte_time_ * static_cast<long>(count);
  // Unpaced, or a byte held up by the split gap: the line was idle meanwhile.
  if (byte_time_.count() == 0 || split_gap_)
    line_free_ = std::max(line_free_, now);
  last_release_ = now;
}

}  // namespace quorvix::sim
