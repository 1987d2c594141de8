// The Win32 serial back end keeps the serial back ends' contract, under
// Wine: COM8 and COM9 are the two ends of a pair of pseudo-terminals joined
// by run.sh's pty_pair.py, whose request file QUORVIX_PTY_PAIR names.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "contract/serial_contract.h"
#include "platform/win32/hidden_window_loop.h"
#include "platform/win32/serial_port.h"
#include "platform/win32/unique_handle.h"

namespace quorvix::test {
namespace {

using win32::UniqueHandle;

struct SilentTrace : TraceSink {
  bool Listening() const override { return false; }
  void Write(std::string_view) override {}
};

std::wstring PairRequest() {
  const wchar_t* const path = _wgetenv(L"QUORVIX_PTY_PAIR");
  return path == nullptr ? std::wstring() : std::wstring(path);
}

class Win32SerialHarness {
 public:
  static constexpr int kPort = 8;
  static constexpr int kMissing = 200;

  // Each case starts on a fresh pair, nothing left in it by the last.
  Win32SerialHarness() {
    if (request_.empty()) return;
    FreshPair();
    far_ =
        UniqueHandle(CreateFileW(L"\\\\.\\COM9", GENERIC_READ | GENERIC_WRITE,
                                 0, nullptr, OPEN_EXISTING, 0, nullptr));
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 1;
    timeouts.ReadTotalTimeoutConstant = 50;
    if (!far_.is_valid() || !SetCommTimeouts(far_.get(), &timeouts)) {
      ADD_FAILURE() << "COM9 cannot be opened: " << GetLastError();
    }
  }

  SerialBackend& serial() { return serial_; }
  int port() const { return kPort; }
  int missing_port() const { return kMissing; }
  void Pump() {
    loop_.WaitAndPump(loop_.Now() + std::chrono::milliseconds(20));
  }

  void Send(std::string_view bytes) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(far_.get(), bytes.data(),
                          static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
  }

  std::string Received(std::size_t count) {
    std::string bytes;
    char chunk[4096];
    const ULONGLONG give_up = GetTickCount64() + 5000;
    while (bytes.size() < count && GetTickCount64() < give_up) {
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(
          std::min<std::size_t>(sizeof chunk, count - bytes.size()));
      if (!ReadFile(far_.get(), chunk, want, &n, nullptr)) break;
      bytes.append(chunk, n);
    }
    return bytes;
  }

  std::optional<std::uint32_t> Speed() const {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(far_.get(), &dcb)) return std::nullopt;
    return dcb.BaudRate;
  }

  void HangUp() { FreshPair(); }

  std::string CannotSee(std::string_view test) const {
    if (request_.empty()) {
      return "no pair of ports (QUORVIX_PTY_PAIR): run by tests/wine/run.sh";
    }
    if (test == "APortIsHeldUntilItsConnectionIsDestroyed") {
      return "Wine opens a serial device again whatever the share mode "
             "(Windows' serial drivers refuse a second opener)";
    }
    if (test == "AQueueCountIsTruthfulOrNone") {
      return "the pair's relay takes every byte at once, so none waits to "
             "be counted (and Wine counts 0 on a pseudo-terminal)";
    }
    return {};
  }

 private:
  // Asks pty_pair.py for a new pair (the old one hangs up) and waits for it.
  void FreshPair() {
    if (!UniqueHandle(CreateFileW(request_.c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, 0, nullptr))
             .is_valid()) {
      ADD_FAILURE() << "no request for a fresh pair: " << GetLastError();
      return;
    }
    const ULONGLONG give_up = GetTickCount64() + 10000;
    while (GetFileAttributesW(request_.c_str()) != INVALID_FILE_ATTRIBUTES &&
           GetTickCount64() < give_up) {
      Sleep(10);
    }
  }

  const std::wstring request_ = PairRequest();
  win32::HiddenWindowLoop loop_{GetModuleHandleW(nullptr),
                                "Quorvix serial contract"};
  SilentTrace trace_;
  win32::SerialPorts serial_{loop_, trace_};
  UniqueHandle far_;
};

}  // namespace
}  // namespace quorvix::test

namespace quorvix::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, SerialContract,
                               ::testing::Types<test::Win32SerialHarness>);
}  // namespace quorvix::contract
