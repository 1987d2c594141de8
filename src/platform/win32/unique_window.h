#pragma once
// Ownership of a window: destroyed with its owner object.

#include <windows.h>

#include "common/scoped_handle.h"

namespace quorvix::win32 {

struct WindowTraits {
  static HWND Invalid() { return nullptr; }
  static void Free(HWND window) { DestroyWindow(window); }
};

using UniqueWindow = common::ScopedHandle<WindowTraits>;

}  // namespace quorvix::win32
