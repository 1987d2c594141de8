#pragma once
// An open terminal device: exclusive, raw, non-blocking, with a GLib fd
// source that announces received bytes.

#include <glib.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/unique_fd.h"
#include "platform/posix/glib_owners.h"
#include "platform/serial.h"
#include "platform/trace_sink.h"

namespace quorvix::posix {

struct ReceiveWatch;

// A device held with TIOCEXCL and an exclusive lock: both undone before it
// is closed, so the next program finds the device as it was.
struct LockedDeviceTraits : common::FdTraits {
  static void Free(int fd);
};

class TermiosConnection : public SerialConnection {
 public:
  static constexpr std::size_t kMaxRead = 64 * 1024;

  // Takes over `fd`, already locked and set up; `port` ("COM5") names it in
  // errors and trace lines. `counts_queue`: the device's TIOCOUTQ is
  // truthful (a UART or a USB serial adapter, not a pseudo-terminal).
  TermiosConnection(int fd, std::string port, std::uint32_t baud,
                    bool counts_queue, GMainContext* context, TraceSink& trace,
                    std::function<void()> on_receive);
  ~TermiosConnection() override;

  TermiosConnection(const TermiosConnection&) = delete;
  TermiosConnection& operator=(const TermiosConnection&) = delete;

  // On a full line waits, without running events, for at most one second
  // plus the line time of the bytes still to send (ten bits a byte). The
  // port above keeps only milliseconds queued, so only a line that has
  // stopped (nobody reading a pseudo-terminal) ever fills.
  void Write(std::string_view bytes) override;
  std::string Read() override;
  bool Vanished() const override { return !vanished_.empty(); }
  std::optional<std::size_t> QueuedBytes() const override;

  // Called from the receive source.
  bool OnReady(GIOCondition condition);

 private:
  // Notes once that the device has gone: the source goes, the descriptor is
  // closed at once (so the system can give a replugged adapter its old name
  // back), one trace line says so, later writes fail. Must be the last thing
  // a caller does with `this`: the trace sink may close the port.
  void Vanish(const std::string& reason);
  [[noreturn]] void FailWrite(std::string reason);

  common::ScopedHandle<LockedDeviceTraits> fd_;
  std::string port_;
  std::uint32_t baud_;
  bool counts_queue_;
  TraceSink& trace_;
  AttachedSource source_;
  ReceiveWatch* watch_ = nullptr;  // owned by source_'s callback data
  std::string vanished_;           // why, once the device has gone
};

}  // namespace quorvix::posix
