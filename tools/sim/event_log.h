#pragma once
// The --log file: one line per event, "<microseconds> <event>", written with
// one write() each so a reader never sees half a line. The time is
// CLOCK_MONOTONIC in microseconds, so other processes on the machine can
// compare it with their own clock. The events are listed in main.cpp.

#include <string>
#include <string_view>

#include "common/unique_fd.h"
#include "paced_queue.h"

namespace quorvix::sim {

class EventLog {
 public:
  EventLog() = default;  // logs nothing
  // Creates or truncates the file; throws std::runtime_error naming it.
  explicit EventLog(const std::string& path);

  bool enabled() const { return fd_.is_valid(); }
  void Write(Time at, std::string_view event);

 private:
  common::UniqueFd fd_;
};

}  // namespace quorvix::sim
