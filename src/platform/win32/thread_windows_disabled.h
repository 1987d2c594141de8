#pragma once
// What makes a dialog modal as a classic form is: the host's windows on the
// thread take no input while it is open.

#include <windows.h>

#include <vector>

namespace quorvix::win32 {

// Disables the visible, enabled top-level windows of the calling thread
// except `keep`, and enables exactly those again on Restore or destruction.
// Hidden windows are left alone: they take no input, and some of them are
// the system's own (input method, COM).
class ThreadWindowsDisabled {
 public:
  explicit ThreadWindowsDisabled(HWND keep);
  ~ThreadWindowsDisabled() { Restore(); }
  ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
  ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

  void Restore();

 private:
  static BOOL CALLBACK Collect(HWND window, LPARAM self);

  HWND keep_;
  std::vector<HWND> disabled_;
};

}  // namespace quorvix::win32
