#include "platform/posix/termios_connection.h"

#include <glib-unix.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "platform/error.h"
#include "platform/trace_line.h"

namespace quorvix::posix {

// The receive source's callback data. GLib owns it and keeps it alive while
// a dispatch runs, so the connection (and with it the source) may be
// destroyed from inside on_receive.
struct ReceiveWatch {
  TermiosConnection* owner;
  std::function<void()> on_receive;
};

namespace {

using std::chrono::steady_clock;

void FreeWatch(gpointer data) {
  std::unique_ptr<ReceiveWatch>(static_cast<ReceiveWatch*>(data));
}

gboolean OnFd(gint, GIOCondition condition, gpointer data) noexcept {
  auto* watch = static_cast<ReceiveWatch*>(data);
  if (watch->owner == nullptr) return G_SOURCE_REMOVE;
  if ((condition & G_IO_IN) != 0) {
    watch->on_receive();
    if (watch->owner == nullptr) return G_SOURCE_REMOVE;
  }
  return watch->owner->OnReady(condition) ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

std::chrono::microseconds LineTime(std::size_t bytes, std::uint32_t baud) {
  return std::chrono::microseconds(static_cast<std::int64_t>(bytes) * 10 *
                                   1'000'000 / baud);
}

}  // namespace

void LockedDeviceTraits::Free(int fd) {
  ioctl(fd, TIOCNXCL);
  flock(fd, LOCK_UN);
  close(fd);
}

TermiosConnection::TermiosConnection(int fd, std::string port,
                                     std::uint32_t baud, bool counts_queue,
                                     GMainContext* context, TraceSink& trace,
                                     std::function<void()> on_receive)
    : fd_(fd),
      port_(std::move(port)),
      baud_(baud),
      counts_queue_(counts_queue),
      trace_(trace) {
  auto watch =
      std::make_unique<ReceiveWatch>(ReceiveWatch{this, std::move(on_receive)});
  watch_ = watch.get();
  source_.reset(g_unix_fd_source_new(
      fd_.get(), static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR)));
  g_source_set_name(source_.get(), "quorvix serial");
  g_source_set_callback(
      source_.get(),
      reinterpret_cast<GSourceFunc>(reinterpret_cast<void (*)()>(OnFd)),
      watch.release(), FreeWatch);
  g_source_attach(source_.get(), context);
}

// The source goes first (declared after the device), then the device.
TermiosConnection::~TermiosConnection() {
  if (source_) watch_->owner = nullptr;
}

bool TermiosConnection::OnReady(GIOCondition condition) {
  if ((condition & G_IO_HUP) != 0) {
    Vanish("hang-up");
    return false;
  }
  if ((condition & G_IO_ERR) != 0) {
    Vanish("error condition on the line");
    return false;
  }
  return true;
}

void TermiosConnection::Vanish(const std::string& reason) {
  if (!vanished_.empty()) return;
  vanished_ = reason;
  if (source_) {
    watch_->owner = nullptr;
    source_.reset();
    watch_ = nullptr;
  }
  fd_.reset();
  Trace(trace_, [&] {
    return "[Quorvix] " + port_ + ": device vanished (" + reason + ")";
  });
}

void TermiosConnection::FailWrite(std::string reason) {
  Error error(kDeviceFailed,
              port_ + ": write failed, the device vanished (" + reason + ")");
  Vanish(reason);
  throw error;
}

std::string TermiosConnection::Read() {
  std::string received;
  if (!vanished_.empty()) return received;
  std::array<char, 4096> chunk{};
  while (received.size() < kMaxRead) {
    const std::size_t want = std::min(chunk.size(), kMaxRead - received.size());
    const ssize_t n = read(fd_.get(), chunk.data(), want);
    if (n > 0) {
      received.append(chunk.data(), static_cast<std::size_t>(n));
      // A short read took all there was: spare the read that says so.
      if (static_cast<std::size_t>(n) < want) break;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    // VMIN is 1, so 0 is not "nothing yet" but the end of the line.
    const std::string reason = n == 0 ? "hang-up" : std::strerror(errno);
    Vanish(reason);
    return received;
  }
  return received;
}

std::optional<std::size_t> TermiosConnection::QueuedBytes() const {
  int queued = 0;
  if (!counts_queue_ || !fd_ || ioctl(fd_.get(), TIOCOUTQ, &queued) != 0 ||
      queued < 0) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(queued);
}

void TermiosConnection::Write(std::string_view bytes) {
  if (!vanished_.empty()) {
    throw Error(kDeviceFailed,
                port_ + ": the device has vanished (" + vanished_ + ")");
  }
  std::size_t sent = 0;
  std::optional<steady_clock::time_point> deadline;
  std::chrono::milliseconds bound{};
  while (sent < bytes.size()) {
    const ssize_t n =
        write(fd_.get(), bytes.data() + sent, bytes.size() - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
      FailWrite(n == 0 ? "nothing written" : std::strerror(errno));
    }
    const auto now = steady_clock::now();
    if (!deadline) {
      bound = std::chrono::ceil<std::chrono::milliseconds>(
          std::chrono::seconds(1) + LineTime(bytes.size() - sent, baud_));
      deadline = now + bound;
    }
    if (now >= *deadline) {
      throw Error(kDeviceFailed, port_ + ": write did not finish within " +
                                     std::to_string(bound.count()) + " ms (" +
                                     std::to_string(sent) + " of " +
                                     std::to_string(bytes.size()) +
                                     " bytes sent)");
    }
    // Waits for room without running events: the caller is in the middle of
    // a frame. A terminal reports room only once fewer than 256 bytes wait
    // in it, and a pseudo-terminal or a USB adapter holds kilobytes: so the
    // write is tried again after the line time of what is left (the soak saw
    // single calls wait out the whole bound on a full line).
    pollfd ready{fd_.get(), POLLOUT, 0};
    const auto retry = std::max(std::chrono::milliseconds(1),
                                std::chrono::ceil<std::chrono::milliseconds>(
                                    LineTime(bytes.size() - sent, baud_)));
    const int wait_ms = static_cast<int>(
        std::min(retry,
                 std::chrono::ceil<std::chrono::milliseconds>(*deadline - now))
            .count());
    if (poll(&ready, 1, wait_ms) > 0 &&
        (ready.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
      FailWrite((ready.revents & POLLHUP) != 0 ? "hang-up"
                                               : "error condition on the line");
    }
  }
}

}  // namespace quorvix::posix
