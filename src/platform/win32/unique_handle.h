#pragma once
// Ownership of what Win32 hands out: kernel handles, windows and registry
// keys, each let go with its owner object.

#include <windows.h>

#include "common/scoped_handle.h"

namespace quorvix::win32 {

// Some calls fail with INVALID_HANDLE_VALUE, others with null: neither is
// closed.
struct HandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE handle) {
    return handle != INVALID_HANDLE_VALUE && handle != nullptr;
  }
  static void Free(HANDLE handle) { CloseHandle(handle); }
};
using UniqueHandle = common::ScopedHandle<HandleTraits>;

struct WindowTraits {
  static HWND Invalid() { return nullptr; }
  static void Free(HWND window) { DestroyWindow(window); }
};
using UniqueWindow = common::ScopedHandle<WindowTraits>;

struct KeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Free(HKEY key) { RegCloseKey(key); }
};
using UniqueKey = common::ScopedHandle<KeyTraits>;

}  // namespace quorvix::win32
