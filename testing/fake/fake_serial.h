#pragma once
// A scripted serial line for tests. The test decides which ports exist, what
// the transmitter answers to each write and exactly when each piece of the
// answer arrives (in a given pump, or at a given time of the fake clock).
// Every piece arrives as one receive notification, posted on the fake loop.

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/serial.h"
#include "testing/fake/fake_event_loop.h"

namespace quorvix::fake {

// One piece of a reply: `in_pump` > 0 delivers it in that pump after the
// write (1: the next pump); otherwise it arrives `after` the write on the
// fake clock.
struct ReplyPiece {
  std::string bytes;
  int in_pump = 0;
  std::chrono::milliseconds after{0};
};

inline ReplyPiece InPump(int pump, std::string bytes) {
  return ReplyPiece{std::move(bytes), pump, {}};
}
inline ReplyPiece After(std::chrono::milliseconds delay, std::string bytes) {
  return ReplyPiece{std::move(bytes), 0, delay};
}

struct OpenRecord {
  int port;
  LineSettings settings;
};

class FakeSerial final : public SerialBackend {
 public:
  static constexpr int kEveryTime = -1;

  explicit FakeSerial(FakeEventLoop& loop);
  ~FakeSerial() override;
  FakeSerial(const FakeSerial&) = delete;
  FakeSerial& operator=(const FakeSerial&) = delete;

  std::unique_ptr<SerialConnection> Open(
      int port, const LineSettings& settings,
      std::function<void()> on_receive) override;
  std::vector<int> ExistingPorts() const override;

  // --- ports (all exist and are free unless told otherwise) ---
  void MissingPort(int port);  // Open fails with 8002
  void BusyPort(
      int port);  // Open fails with 8005, as if another program held it
  void FailOpen(int port, int error_number);
  void RestorePort(int port);
  // What ExistingPorts reports (nothing until told), in any order.
  void SetExistingPorts(std::vector<int> ports);

  // --- the transmitter ---
  // When the driver writes exactly `written`, deliver `reply` (no pieces:
  // silence). The first rule that matches and has uses left applies.
  void OnWrite(std::string written, std::vector<ReplyPiece> reply,
               int times = kEveryTime);
  void ClearRules();
  // Runs after every successful write, once its reply is scheduled.
  void SetWriteHook(std::function<void(std::string_view)> hook);
  // Bytes arrive now; their notification is posted.
  void Deliver(std::string bytes);
  // A notification with nothing new waiting.
  void Notify();
  // The device vanishes: every write fails with 8020 until restored.
  void FailWrites(bool fail = true);
  // Reads find nothing (received bytes stay queued).
  void MuteReads(bool mute = true);
  // What the open connection reports as still queued for the line, asked
  // at each call (none until told, as on a pseudo-terminal).
  void SetQueuedBytes(std::function<std::optional<std::size_t>()> count);
  // The adapter is pulled: the open connection reports itself vanished and
  // its writes fail with 8020; opening the port fails with 8002 until
  // Replug.
  void Unplug();
  void Replug();

  // --- what happened ---
  bool IsOpen() const;
  int OpenPort() const;  // 0 when closed
  const std::vector<OpenRecord>& opens() const;
  int open_attempts() const;
  int closes() const;
  const std::vector<std::string>& writes() const;
  std::string written() const;  // every write, concatenated
  void ClearWrites();
  std::size_t unread() const;
  int notifications() const;  // notifications delivered to the driver
  int reads() const;

 private:
  struct Core;
  class Connection;

  FakeEventLoop& loop_;
  std::shared_ptr<Core> core_;
};

}  // namespace quorvix::fake
