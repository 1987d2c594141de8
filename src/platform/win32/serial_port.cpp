#include "platform/win32/serial_port.h"

#include <optional>
#include <string>

#include "platform/error.h"
#include "platform/trace_line.h"
#include "platform/win32/serial_reader.h"
#include "platform/win32/wide_text.h"

namespace quorvix::win32 {
namespace {

// The reader's ReadFile returns 1 ms after the last byte of a burst, or after
// kReadWaitMs with nothing. (The documented "return at once" combination,
// MAXDWORD interval and multiplier, is not honoured by Wine: it holds the
// byte until the read is cancelled.)
constexpr DWORD kReadIntervalMs = 1;
constexpr DWORD kReadWaitMs = 200;
// A write may take this long plus the line time of its bytes.
constexpr DWORD kWriteGraceMs = 1000;

std::string PortName(int port) { return "COM" + std::to_string(port); }

class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~Handle() { Reset(); }
  Handle(Handle&& other) noexcept : handle_(other.Release()) {}
  Handle& operator=(Handle&&) = delete;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const {
    return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr;
  }
  HANDLE Release() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  void Reset() {
    if (valid()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

Error OpenError(int port, DWORD code) {
  const std::string name = PortName(port);
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return Error(kPortMissing, name + " does not exist");
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return Error(kPortInUse, name + " is already in use by another program");
    default:
      return Error(kDeviceFailed,
                   name + " cannot be opened: " + SystemErrorText(code));
  }
}

BYTE DcbParity(Parity parity) {
  switch (parity) {
    case Parity::kEven: return EVENPARITY;
    case Parity::kOdd: return ODDPARITY;
    case Parity::kMark: return MARKPARITY;
    case Parity::kSpace: return SPACEPARITY;
    case Parity::kNone: break;
  }
  return NOPARITY;
}

BYTE DcbStopBits(StopBits stop_bits) {
  switch (stop_bits) {
    case StopBits::kOnePointFive: return ONE5STOPBITS;
    case StopBits::kTwo: return TWOSTOPBITS;
    case StopBits::kOne: break;
  }
  return ONESTOPBIT;
}

// Raw 8-bit line, no flow control, DTR and RTS on.
void Configure(HANDLE handle, int port, const LineSettings& settings) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle, &dcb)) {
    throw Error(kDeviceFailed, PortName(port) +
                                   " does not report its line settings: " +
                                   SystemErrorText(GetLastError()));
  }
  dcb.BaudRate = settings.baud;
  dcb.ByteSize = static_cast<BYTE>(settings.data_bits);
  dcb.Parity = DcbParity(settings.parity);
  dcb.StopBits = DcbStopBits(settings.stop_bits);
  dcb.fBinary = TRUE;
  dcb.fParity = settings.parity != Parity::kNone;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fTXContinueOnXoff = TRUE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = FALSE;
  if (!SetCommState(handle, &dcb)) {
    throw Error(kDeviceFailed, PortName(port) + " refuses the line settings: " +
                                   SystemErrorText(GetLastError()));
  }
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = kReadIntervalMs;
  timeouts.ReadTotalTimeoutConstant = kReadWaitMs;
  if (!SetCommTimeouts(handle, &timeouts)) {
    throw Error(kDeviceFailed, PortName(port) + " refuses its timeouts: " +
                                   SystemErrorText(GetLastError()));
  }
  PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
}

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
             const LineSettings& settings, Handle handle,
             std::function<void()> on_receive)
      : loop_(loop),
        trace_(trace),
        port_(port),
        settings_(settings),
        handle_(std::move(handle)),
        write_done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        on_receive_(std::move(on_receive)) {
    if (!write_done_.valid()) {
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
      if (error != ERROR_IO_PENDING) {
        throw Error(kDeviceFailed, "Writing to " + PortName(port_) +
                                       " failed: " + SystemErrorText(error));
      }
      const DWORD bound = kWriteGraceMs + LineTimeMs(bytes.size(), settings_);
      if (WaitForSingleObject(overlapped.hEvent, bound) != WAIT_OBJECT_0) {
        CancelIoEx(handle_.get(), &overlapped);
        GetOverlappedResult(handle_.get(), &overlapped, &written, TRUE);
        throw Error(kDeviceFailed, "Writing " + std::to_string(size) +
                                       " bytes to " + PortName(port_) +
                                       " did not finish within " +
                                       std::to_string(bound) + " ms");
      }
      if (!GetOverlappedResult(handle_.get(), &overlapped, &written, FALSE)) {
        throw Error(kDeviceFailed,
                    "Writing to " + PortName(port_) +
                        " failed: " + SystemErrorText(GetLastError()));
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
    handle_.Reset();
    Trace(trace_, "[Quorvix] " + PortName(port_) + ": device vanished (" +
                      SystemErrorText(failure) + ")");
  }

  void OnNotification() {
    if (failed_) return;
    reader_->Acknowledge();
    received_ += reader_->Take();
    if (const DWORD failure = reader_->failure(); failure != 0) Vanish(failure);
    if (received_.size() > SerialReader::kBufferLimit) {
      received_.resize(SerialReader::kBufferLimit);
    }
    if (!received_.empty() && on_receive_) on_receive_();
  }

  HiddenWindowLoop& loop_;
  TraceSink& trace_;
  int port_;
  LineSettings settings_;
  Handle handle_;
  Handle write_done_;
  std::function<void()> on_receive_;
  HiddenWindowLoop::ReceiverId receiver_ = 0;
  std::optional<SerialReader> reader_;
  std::string received_;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<SerialConnection> SerialPorts::Open(
    int port, const LineSettings& settings, std::function<void()> on_receive) {
  const std::wstring path = L"\\\\.\\COM" + std::to_wstring(port);
  Handle handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                            nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                            nullptr));
  if (!handle.valid()) throw OpenError(port, GetLastError());
  Configure(handle.get(), port, settings);
  return std::make_unique<Connection>(loop_, trace_, port, settings,
                                      std::move(handle), std::move(on_receive));
}

}  // namespace quorvix::win32
