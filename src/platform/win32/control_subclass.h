#pragma once
// Hooks into a standard control's own window procedure, for what its
// dialog cannot see from outside: the focus arriving from a sibling, and
// characters before the control takes them (posted ones and Ctrl+V too).

#include <windows.h>

#include <cstdint>
#include <functional>

namespace quorvix::win32 {

struct ControlHooks {
  // Runs before the control takes the focus; `previous` had it (or null).
  std::function<void(HWND previous)> focus_arriving;
  // A character before the control takes it; false discards it.
  std::function<bool(std::uint32_t code)> character;
  // A multi-line edit claims every key, moves on by Tab itself and closes
  // its dialog on Escape; with this it claims only arrows and characters,
  // so Tab, Enter and Escape reach the dialog's own keyboard handling.
  bool leave_dialog_keys = false;
};

// Lasts until it is destroyed or the control is.
class ControlSubclass {
 public:
  ControlSubclass(HWND control, ControlHooks hooks);
  ~ControlSubclass();
  ControlSubclass(const ControlSubclass&) = delete;
  ControlSubclass& operator=(const ControlSubclass&) = delete;

 private:
  static LRESULT CALLBACK Procedure(HWND control, UINT message, WPARAM wparam,
                                    LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void Detach();

  HWND control_;
  WNDPROC original_ = nullptr;
  ControlHooks hooks_;
};

}  // namespace quorvix::win32
