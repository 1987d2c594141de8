#pragma once
// One direction of the serial line: bytes wait here until the line would
// have carried them. At a given baud rate a byte takes 10 bit times (start,
// 8 data, stop) and is released no earlier than the moment its last bit
// would have arrived; the line runs back to back while bytes are waiting and
// keeps its schedule when released late, so the average rate is exact. In
// split mode at most one byte is released at a time, with a gap between
// releases. Without a baud rate or split mode everything is due at once.
//
// The queue is capped: bytes beyond the cap are refused, never stored.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>

namespace quorvix::sim {

using Clock = std::chrono::steady_clock;
using Time = Clock::time_point;
using std::chrono::nanoseconds;

class PacedQueue {
 public:
  explicit PacedQueue(std::size_t capacity) : capacity_(capacity) {}

  // 0 switches pacing off. Bytes already waiting follow the new rate.
  void SetBaud(long baud);
  void SetSplit(std::optional<nanoseconds> gap);  // nullopt: off
  // A paced line hands its bytes over like a UART's receive FIFO: `bytes`
  // at a time, or the rest of a burst, never one wake-up per byte.
  void SetBatch(std::size_t bytes) { batch_ = bytes > 0 ? bytes : 1; }
  long baud() const { return baud_; }
  bool split() const { return split_gap_.has_value(); }

  // The line time of one byte; zero when not paced.
  nanoseconds ByteTime() const { return byte_time_; }

  // Returns how many of the bytes were taken (the rest did not fit).
  // `waiting_since`: the bytes already waited, unread, from then on (the
  // read before found more than it took), so a line that fell idle
  // meanwhile carries them back to back from then instead of from `now`.
  std::size_t Push(std::span<const std::uint8_t> bytes, Time now,
                   std::optional<Time> waiting_since = std::nullopt);

  // How many bytes at the front may leave now.
  std::size_t Due(Time now) const;
  // When the front byte may leave; nullopt when the queue is empty.
  std::optional<Time> NextRelease() const;
  // The front bytes, for writing out.
  const std::deque<std::uint8_t>& bytes() const { return queue_; }
  // Takes count bytes (at most Due(now)) off the front.
  void Release(std::size_t count, Time now);

  std::size_t size() const { return queue_.size(); }
  bool empty() const { return queue_.empty(); }
  void Clear() { queue_.clear(); }

 private:
  std::size_t capacity_;
  long baud_ = 0;
  nanoseconds byte_time_{0};
  std::optional<nanoseconds> split_gap_;
  std::size_t batch_ = 1;
  std::deque<std::uint8_t> queue_;
  Time line_free_{};     // when the line has carried the last released byte
  Time last_release_{};  // for the split gap
};

}  // namespace quorvix::sim
