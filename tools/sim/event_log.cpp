#include "event_log.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace quorvix::sim {

EventLog::EventLog(const std::string& path)
    : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                 0644)) {
  if (!fd_.is_valid()) {
    throw std::runtime_error("cannot open log file '" + path +
                             "': " + std::strerror(errno));
  }
}

void EventLog::Write(Time at, std::string_view event) {
  if (!enabled()) return;
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                          at.time_since_epoch())
                          .count();
  std::string line = std::to_string(micros);
  line += ' ';
  line += event;
  line += '\n';
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n =
        ::write(fd_.get(), line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a full disk must not stop the transmitter
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace quorvix::sim
