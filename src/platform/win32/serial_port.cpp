#include "platform/win32/serial_port.h"

#include <string>

#include "platform/error.h"
#include "platform/win32/serial_connection.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace quorvix::win32 {
namespace {

// The reader's ReadFile returns 1 ms after the last byte of a burst, or after
// kReadWaitMs with nothing. (The documented "return at once" combination,
// MAXDWORD interval and multiplier, is not honoured by Wine: it holds the
// byte until the read is cancelled.)
constexpr DWORD kReadIntervalMs = 1;
constexpr DWORD kReadWaitMs = 200;

std::string PortName(int port) { return "COM" + std::to_string(port); }

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

}  // namespace

void ConfigurePort(HANDLE handle, int port, const LineSettings& settings) {
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

std::unique_ptr<SerialConnection> SerialPorts::Open(
    int port, const LineSettings& settings, std::function<void()> on_receive) {
  const std::wstring path = L"\\\\.\\COM" + std::to_wstring(port);
  UniqueHandle handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                                  nullptr));
  if (!handle.is_valid()) throw OpenError(port, GetLastError());
  ConfigurePort(handle.get(), port, settings);
  return ConnectPort(loop_, trace_, port, settings, std::move(handle),
                     std::move(on_receive));
}

}  // namespace quorvix::win32
