#include "link/paced_connection.h"

#include <algorithm>
#include <utility>

#include "platform/error.h"

namespace quorvix {

PacedConnection::PacedConnection(std::unique_ptr<SerialConnection> line,
                                 const LineSettings& settings,
                                 EventLoop& events, std::string port)
    : line_(std::move(line)),
      events_(events),
      port_(std::move(port)),
      clock_(settings) {}

void PacedConnection::AwaitRoom(std::size_t bytes) {
  using std::chrono::milliseconds;
  const Clock::duration own = clock_.TimeOf(bytes);
  const Clock::duration bound = std::max<Clock::duration>(kQueueBound, own);
  const Clock::time_point deadline = events_.Now() + kStuckLine + own;
  while (true) {
    const Clock::time_point now = events_.Now();
    const Clock::duration excess =
        clock_.Waiting(now, line_->QueuedBytes()) + own - bound;
    if (excess <= Clock::duration::zero()) return;
    if (now >= deadline) {
      const auto limit =
          std::chrono::ceil<milliseconds>(kStuckLine + own).count();
      throw Error(kDeviceFailed,
                  port_ + ": write did not finish within " +
                      std::to_string(limit) +
                      " ms (the line made no room; none of the " +
                      std::to_string(bytes) + " bytes sent)");
    }
    events_.Sleep(
        std::chrono::ceil<milliseconds>(std::min(excess, deadline - now)));
  }
}

void PacedConnection::Write(std::string_view bytes) {
  AwaitRoom(bytes.size());
  line_->Write(bytes);
  clock_.Wrote(bytes.size(), events_.Now());
}

}  // namespace quorvix
