#pragma once
// Ownership of a kernel handle: closed with its owner object.

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

}  // namespace quorvix::win32
