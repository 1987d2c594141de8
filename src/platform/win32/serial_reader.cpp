#include "platform/win32/serial_reader.h"

#include "platform/error.h"
#include "platform/win32/serial_failure.h"
#include "platform/win32/wide_text.h"

namespace quorvix::win32 {
namespace {

constexpr DWORD kChunk = 4096;
// After a read that returned nothing: keeps a line that reports end of file
// on every read from turning the thread into a busy loop.
constexpr DWORD kIdlePause = 10;

class ScopedLock {
 public:
  explicit ScopedLock(SRWLOCK& lock) : lock_(lock) {
    AcquireSRWLockExclusive(&lock_);
  }
  ~ScopedLock() { ReleaseSRWLockExclusive(&lock_); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  SRWLOCK& lock_;
};

}  // namespace

SerialReader::SerialReader(HANDLE port, HWND notify_window, UINT notify_message,
                           WPARAM notify_id)
    : port_(port),
      notify_window_(notify_window),
      notify_message_(notify_message),
      notify_id_(notify_id) {}

void SerialReader::Start() {
  stop_event_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop_event_) {
    throw Error(kDeviceFailed, "The serial reader cannot create its event: " +
                                   SystemErrorText(GetLastError()));
  }
  // The thread keeps the DLL loaded until it has left the DLL's code.
  HMODULE pin = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<LPCWSTR>(&SerialReader::ThreadMain),
                     &pin);
  module_ = pin;
  thread_.reset(
      CreateThread(nullptr, 0, &SerialReader::ThreadMain, this, 0, nullptr));
  if (!thread_) {
    if (pin) FreeLibrary(pin);
    throw Error(kDeviceFailed, "The serial reader thread cannot start: " +
                                   SystemErrorText(GetLastError()));
  }
}

SerialReader::~SerialReader() {
  if (thread_) {
    SetEvent(stop_event_.get());
    CancelIoEx(port_, nullptr);
    WaitForSingleObject(thread_.get(), INFINITE);
  }
}

DWORD WINAPI SerialReader::ThreadMain(void* self) {
  auto* reader = static_cast<SerialReader*>(self);
  const HMODULE pin = reader->module_;
  reader->Run();
  if (pin) FreeLibraryAndExitThread(pin, 0);
  return 0;
}

void SerialReader::Run() {
  const UniqueHandle read_done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  OVERLAPPED overlapped{};
  overlapped.hEvent = read_done.get();
  if (!overlapped.hEvent) {
    failure_ = GetLastError();
    Notify();
    return;
  }
  char chunk[kChunk];
  while (!StopAsked()) {
    ResetEvent(overlapped.hEvent);
    DWORD received = 0;
    if (!ReadFile(port_, chunk, kChunk, &received, &overlapped)) {
      DWORD error = GetLastError();
      if (error == ERROR_IO_PENDING) {
        const HANDLE waits[] = {overlapped.hEvent, stop_event_.get()};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) !=
            WAIT_OBJECT_0) {
          CancelIoEx(port_, &overlapped);
          GetOverlappedResult(port_, &overlapped, &received, TRUE);
          break;
        }
        error = GetOverlappedResult(port_, &overlapped, &received, FALSE)
                    ? ERROR_SUCCESS
                    : GetLastError();
      }
      if (error != ERROR_SUCCESS) {
        const ReadEnd end = ClassifyReadEnd(error, StopAsked());
        if (end == ReadEnd::kRetry) continue;
        if (end == ReadEnd::kDeviceLost) failure_ = error;
        break;
      }
    }
    if (received == 0) {
      WaitForSingleObject(stop_event_.get(), kIdlePause);
      continue;
    }
    {
      const ScopedLock hold(lock_);
      const std::size_t room = kBufferLimit - buffer_.size();
      buffer_.append(chunk, std::min<std::size_t>(received, room));
    }
    Notify();
  }
  if (failure_ != 0) Notify();
}

bool SerialReader::StopAsked() const {
  return WaitForSingleObject(stop_event_.get(), 0) == WAIT_OBJECT_0;
}

void SerialReader::Notify() {
  if (notification_pending_.exchange(true)) return;
  if (!PostMessageW(notify_window_, notify_message_, notify_id_, 0)) {
    notification_pending_ = false;  // retried with the next bytes
  }
}

std::string SerialReader::Take() {
  const ScopedLock hold(lock_);
  std::string taken;
  taken.swap(buffer_);
  return taken;
}

}  // namespace quorvix::win32
