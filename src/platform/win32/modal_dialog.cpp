#include "platform/win32/modal_dialog.h"

namespace quorvix::win32 {
namespace {

// One driver thread per loaded library (the state is pinned to it), so one
// slot serves; it is only touched on that thread.
HWND g_open_dialog = nullptr;

}  // namespace

ModalDialogScope::ModalDialogScope(HWND dialog) : previous_(g_open_dialog) {
  g_open_dialog = dialog;
}

ModalDialogScope::~ModalDialogScope() { g_open_dialog = previous_; }

HWND OpenModalDialog() {
  return g_open_dialog && IsWindow(g_open_dialog) ? g_open_dialog : nullptr;
}

bool RouteToModalDialog(MSG& message) {
  const HWND dialog = OpenModalDialog();
  return dialog && IsDialogMessageW(dialog, &message);
}

}  // namespace quorvix::win32
