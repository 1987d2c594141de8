#pragma once
// The reader thread of an open port. It waits in an overlapped ReadFile that
// returns as soon as one byte is there (WaitCommEvent is not used: it fails
// under Wine on a pseudo-terminal), keeps at most kBufferLimit bytes, and
// posts one notification to the hidden window at a time, so a transmitter
// that never stops cannot flood the host's message queue or memory.

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "platform/win32/unique_handle.h"

namespace quorvix::win32 {

class SerialReader {
 public:
  static constexpr std::size_t kBufferLimit = 64 * 1024;

  // `port` stays owned by the caller and must outlive the reader.
  SerialReader(HANDLE port, HWND notify_window, UINT notify_message,
               WPARAM notify_id);
  // Stops the thread and waits for it.
  ~SerialReader();
  SerialReader(const SerialReader&) = delete;
  SerialReader& operator=(const SerialReader&) = delete;

  // Throws Error 8020 when the thread cannot start.
  void Start();

  // On the window's thread, when the notification is dispatched: allows the
  // next one.
  void Acknowledge() { notification_pending_ = false; }
  // Hands out what has been received so far.
  std::string Take();

  // Non-zero once the device failed (an error, or a read aborted by anyone
  // but the reader's own stop); no bytes are added after that, and the
  // thread ends.
  DWORD failure() const { return failure_.load(); }

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Run();
  bool StopAsked() const;
  void Notify();

  HANDLE port_;
  HWND notify_window_;
  UINT notify_message_;
  WPARAM notify_id_;
  UniqueHandle stop_event_;
  UniqueHandle thread_;
  HMODULE module_ = nullptr;
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::string buffer_;
  std::atomic<bool> notification_pending_{false};
  std::atomic<DWORD> failure_{0};
};

}  // namespace quorvix::win32
