#include "platform/win32/thread_windows_disabled.h"

namespace quorvix::win32 {

ThreadWindowsDisabled::ThreadWindowsDisabled(HWND keep) : keep_(keep) {
  EnumThreadWindows(GetCurrentThreadId(), &ThreadWindowsDisabled::Collect,
                    reinterpret_cast<LPARAM>(this));
  for (const HWND window : disabled_) EnableWindow(window, FALSE);
}

BOOL CALLBACK ThreadWindowsDisabled::Collect(HWND window, LPARAM self) {
  auto* const collector = reinterpret_cast<ThreadWindowsDisabled*>(self);
  if (window != collector->keep_ && IsWindowVisible(window) &&
      IsWindowEnabled(window)) {
    collector->disabled_.push_back(window);
  }
  return TRUE;
}

void ThreadWindowsDisabled::Restore() {
  for (const HWND window : disabled_) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
  disabled_.clear();
}

}  // namespace quorvix::win32
