#pragma once
// Ownership of a window: destroyed with its owner object.

#include <windows.h>

#include <memory>
#include <type_traits>

namespace quorvix::win32 {

struct WindowDestroyer {
  void operator()(HWND window) const { DestroyWindow(window); }
};

using UniqueWindow =
    std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

}  // namespace quorvix::win32
