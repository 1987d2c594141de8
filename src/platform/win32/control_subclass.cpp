#include "platform/win32/control_subclass.h"

#include <utility>

namespace quorvix::win32 {
namespace {

constexpr wchar_t kProperty[] = L"Quorvix.ControlSubclass";

}  // namespace

ControlSubclass::ControlSubclass(HWND control, ControlHooks hooks)
    : control_(control), hooks_(std::move(hooks)) {
  SetPropW(control_, kProperty, this);
  original_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      control_, GWLP_WNDPROC,
      reinterpret_cast<LONG_PTR>(&ControlSubclass::Procedure)));
}

ControlSubclass::~ControlSubclass() { Detach(); }

void ControlSubclass::Detach() {
  if (!control_) return;
  // Someone may have subclassed it after us; then our procedure stays in
  // their chain and finds no property, so it passes everything on.
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control_, GWLP_WNDPROC)) ==
      &ControlSubclass::Procedure) {
    SetWindowLongPtrW(control_, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(original_));
  }
  RemovePropW(control_, kProperty);
  control_ = nullptr;
}

LRESULT CALLBACK ControlSubclass::Procedure(HWND control, UINT message,
                                            WPARAM wparam, LPARAM lparam) {
  auto* const self =
      static_cast<ControlSubclass*>(GetPropW(control, kProperty));
  if (!self) return DefWindowProcW(control, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT ControlSubclass::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND control = control_;
  const WNDPROC original = original_;
  switch (message) {
    case WM_SETFOCUS:
      if (hooks_.focus_arriving) {
        hooks_.focus_arriving(reinterpret_cast<HWND>(wparam));
      }
      break;
    case WM_CHAR:
      if (hooks_.character &&
          !hooks_.character(static_cast<std::uint32_t>(wparam))) {
        return 0;
      }
      break;
    case WM_GETDLGCODE:
      if (hooks_.leave_dialog_keys) {
        const LRESULT code =
            CallWindowProcW(original, control, message, wparam, lparam);
        return code & ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
      }
      break;
    case WM_NCDESTROY:
      Detach();
      return CallWindowProcW(original, control, message, wparam, lparam);
    default: break;
  }
  return CallWindowProcW(original, control, message, wparam, lparam);
}

}  // namespace quorvix::win32
