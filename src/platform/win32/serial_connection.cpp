#include "platform/win32/serial_connection.h"

#include <optional>
#include <string>

#include "platform/error.h"
#include "platform/trace_line.h"
#include "platform/win32/serial_failure.h"
#include "platform/win32/serial_reader.h"
#include "platform/win32/wide_text.h"

namespace quorvix::win32 {
namespace {

// A write may take this long plus the line time of its bytes.
constexpr DWORD kWriteGraceMs = 1000;

std::string PortName(int port) { return "COM" + std::to_string(port); }

// Milliseconds the line needs for `bytes` characters, rounded up.
DWORD LineTimeMs(std::size_t bytes, const LineSettings& settings) {
  const unsigned long long half_bits_per_char =
      2ULL * (1 + static_cast<unsigned>(settings.data_bits) +
              (settings.parity == Parity::kNone ? 0 : 1)) +
      (settings.stop_bits == StopBits::kOne            ? 2
       : settings.stop_bits == StopBits::kOnePointFive ? 3
                                                       : 4);
  const unsigned long long baud = settings.baud == 0 ? 1 : settings.baud;
  const unsigned long long ms =
      (bytes * half_bits_per_char * 1000ULL + 2 * baud - 1) / (2 * baud);
  return static_cast<DWORD>(std::min<unsigned long long>(ms, 0x7fffffff));
}

class Connection final : public SerialConnection {
 public:
  Connection(HiddenWindowLoop& loop, TraceSink& trace, int port,
             const LineSettings& settings, UniqueHandle handle,
             std::function<void()> on_receive)
      : loop_(loop),
        trace_(trace),
        port_(port),
        settings_(settings),
        handle_(std::move(handle)),
        write_done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        on_receive_(std::move(on_receive)) {
    if (!write_done_.is_valid()) {
      throw Error(kDeviceFailed,
                  PortName(port) + " cannot be opened: no event for writes: " +
                      SystemErrorText(GetLastError()));
    }
    receiver_ = loop_.AddReceiver([this] { OnNotification(); });
    try {
      reader_.emplace(handle_.get(), loop_.window(),
                      HiddenWindowLoop::kReceiveMessage, receiver_);
      reader_->Start();
    } catch (...) {
      reader_.reset();
      loop_.RemoveReceiver(receiver_);
      throw;
    }
  }

  ~Connection() override {
    reader_.reset();  // the thread ends before the handle closes
    loop_.RemoveReceiver(receiver_);
  }

  void Write(std::string_view bytes) override {
    if (!failed_ && reader_->failure() != 0) Vanish(reader_->failure());
    if (failed_) {
      throw Error(kDeviceFailed, PortName(port_) + " has vanished");
    }
    if (bytes.size() > 0x7fffffff) {
      throw Error(kDeviceFailed,
                  "Too many bytes for one write to " + PortName(port_));
    }
    const auto size = static_cast<DWORD>(bytes.size());
    OVERLAPPED overlapped{};
    overlapped.hEvent = write_done_.get();
    ResetEvent(overlapped.hEvent);
    DWORD written = 0;
    if (!WriteFile(handle_.get(), bytes.data(), size, &written, &overlapped)) {
      const DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING) throw WriteFailed(error);
      const DWORD bound = kWriteGraceMs + LineTimeMs(bytes.size(), settings_);
      if (WaitForSingleObject(overlapped.hEvent, bound) != WAIT_OBJECT_0) {
        CancelIoEx(handle_.get(), &overlapped);
        GetOverlappedResult(handle_.get(), &overlapped, &written, TRUE);
        throw WriteFailed(ERROR_TIMEOUT, "Writing " + std::to_string(size) +
                                             " bytes to " + PortName(port_) +
                                             " did not finish within " +
                                             std::to_string(bound) + " ms");
      }
      if (!GetOverlappedResult(handle_.get(), &overlapped, &written, FALSE)) {
        throw WriteFailed(GetLastError());
      }
    }
    if (written != size) {
      throw Error(kDeviceFailed, "Only " + std::to_string(written) + " of " +
                                     std::to_string(size) +
                                     " bytes could be written to " +
                                     PortName(port_));
    }
  }

  std::string Read() override {
    std::string bytes;
    bytes.swap(received_);
    if (!failed_) bytes += reader_->Take();
    return bytes;
  }

  bool Vanished() const override { return failed_; }

  // cbOutQue counts every pending write; Wine's port on a pseudo-terminal
  // says 0 however full, and the port's own clock covers that.
  std::optional<std::size_t> QueuedBytes() const override {
    DWORD errors = 0;
    COMSTAT status{};
    if (failed_ || !ClearCommError(handle_.get(), &errors, &status)) {
      return std::nullopt;
    }
    return status.cbOutQue;
  }

 private:
  // Once: the reader ends and the handle closes at once, so the system can
  // give a replugged adapter its port back; one trace line says so.
  void Vanish(DWORD failure) {
    if (failed_) return;
    failed_ = true;
    reader_.reset();
    handle_.reset();
    Trace(trace_, "[Quorvix] " + PortName(port_) + ": device vanished (" +
                      SystemErrorText(failure) + ")");
  }

  // The error a failed write throws; first, a failure that means the device
  // has gone makes it vanish, so that a later write opens the port afresh.
  Error WriteFailed(DWORD error, const std::string& description) {
    DWORD errors = 0;
    COMSTAT status{};
    const bool answers = ClearCommError(handle_.get(), &errors, &status);
    if (WriteFailureMeansGone(error, answers)) Vanish(error);
    return Error(kDeviceFailed, description);
  }
  Error WriteFailed(DWORD error) {
    return WriteFailed(error, "Writing to " + PortName(port_) +
                                  " failed: " + SystemErrorText(error));
  }

  // The bytes read before a loss reach the handler while the port still
  // counts as open (a handler that finds it vanished drops it unread); the
  // loss is reported after. The handler may close the port meanwhile.
  void OnNotification() {
    if (failed_) return;
    reader_->Acknowledge();
    const DWORD failure = reader_->failure();  // no bytes come after it
    received_ += reader_->Take();
    if (received_.size() > SerialReader::kBufferLimit) {
      received_.resize(SerialReader::kBufferLimit);
    }
    if (!received_.empty() && on_receive_) {
      const std::weak_ptr<const bool> alive = alive_;
      const std::function<void()> on_receive = on_receive_;
      on_receive();
      if (alive.expired()) return;
    }
    if (failure != 0) Vanish(failure);
  }

  HiddenWindowLoop& loop_;
  TraceSink& trace_;
  int port_;
  LineSettings settings_;
  UniqueHandle handle_;
  UniqueHandle write_done_;
  std::function<void()> on_receive_;
  HiddenWindowLoop::ReceiverId receiver_ = 0;
  std::optional<SerialReader> reader_;
  std::string received_;
  bool failed_ = false;
  // Expires with the connection: tells a notification whether its handler
  // closed the port.
  const std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

}  // namespace

std::unique_ptr<SerialConnection> ConnectPort(
    HiddenWindowLoop& loop, TraceSink& trace, int port,
    const LineSettings& settings, UniqueHandle handle,
    std::function<void()> on_receive) {
  return std::make_unique<Connection>(loop, trace, port, settings,
                                      std::move(handle), std::move(on_receive));
}

}  // namespace quorvix::win32
