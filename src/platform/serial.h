#pragma once
// Serial back end: opens port n with validated line settings. The classic
// serial control on top of it (link/comm_control.h) does the validation.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvix {

enum class Parity { kNone, kEven, kOdd, kMark, kSpace };
enum class StopBits { kOne, kOnePointFive, kTwo };

struct LineSettings {
  // No rate of its own: every LineSettings is parsed from a settings text,
  // whose defaults the port control and the stored settings keep.
  std::uint32_t baud = 0;
  Parity parity = Parity::kNone;
  int data_bits = 8;
  StopBits stop_bits = StopBits::kOne;
};

// An open port. Destroying it closes the port.
class SerialConnection {
 public:
  virtual ~SerialConnection() = default;

  // Writes every byte or throws Error (8020); never sends part of `bytes`
  // silently.
  virtual void Write(std::string_view bytes) = 0;

  // Returns what has been received and not yet read (bounded per call), or
  // an empty string. Never blocks.
  virtual std::string Read() = 0;

  // True once the device has gone (unplugged): its handle is already
  // closed, every later write fails and the port must be opened afresh.
  virtual bool Vanished() const = 0;

  // Bytes written that the line has not sent yet, where the system counts
  // them truthfully; none where it cannot tell (a pseudo-terminal says 0
  // whatever waits in it).
  virtual std::optional<std::size_t> QueuedBytes() const {
    return std::nullopt;
  }
};

class SerialBackend {
 public:
  virtual ~SerialBackend() = default;

  // Opens port `port` (1..255). Throws Error 8002 (missing), 8005 (in use)
  // or 8020. `on_receive` runs on the event loop's thread whenever bytes may
  // be waiting; it must not be called after the connection is destroyed.
  virtual std::unique_ptr<SerialConnection> Open(
      int port, const LineSettings& settings,
      std::function<void()> on_receive) = 0;

  // The numbers of the ports present on this machine, ascending; a port may
  // be missing from it and still open (a device plugged in later).
  virtual std::vector<int> ExistingPorts() const = 0;
};

}  // namespace quorvix
