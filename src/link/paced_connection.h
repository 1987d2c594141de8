#pragma once
// An open port that keeps at most kQueueBound of line time ahead of the
// line, so that a frame written now leaves within that bound however fast
// the host sends, and a DMX-In request or a handshake never waits behind
// seconds of frames. A write that does not fit waits, without running events
// (the caller is in the middle of a frame), until it does, then goes whole.
// A line that makes no room within a second plus the write's own line time
// is stuck: the write fails with 8020 and sends nothing.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "link/line_clock.h"
#include "platform/event_loop.h"
#include "platform/serial.h"

namespace quorvix {

class PacedConnection final : public SerialConnection {
 public:
  // Never less than one write: a frame longer than this at a slow rate goes
  // as soon as the line is empty.
  static constexpr std::chrono::milliseconds kQueueBound{20};
  static constexpr std::chrono::seconds kStuckLine{1};

  // `port` ("COM3") names the port in errors.
  PacedConnection(std::unique_ptr<SerialConnection> line,
                  const LineSettings& settings, EventLoop& events,
                  std::string port);

  void Write(std::string_view bytes) override;
  std::string Read() override { return line_->Read(); }
  bool Vanished() const override { return line_->Vanished(); }
  std::optional<std::size_t> QueuedBytes() const override {
    return line_->QueuedBytes();
  }

 private:
  void AwaitRoom(std::size_t bytes);

  std::unique_ptr<SerialConnection> line_;
  EventLoop& events_;
  std::string port_;
  LineClock clock_;
};

}  // namespace quorvix
