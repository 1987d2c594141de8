#pragma once
// Ownership of an open registry key: closed with its owner object.

#include <windows.h>

#include "common/scoped_handle.h"

namespace quorvix::win32 {

struct KeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Free(HKEY key) { RegCloseKey(key); }
};

using UniqueKey = common::ScopedHandle<KeyTraits>;

}  // namespace quorvix::win32
