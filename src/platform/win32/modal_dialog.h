#pragma once
// The plug-in's modal dialog that is open on the driver's thread, if any.
// Every message loop of the back ends hands it its keyboard messages (Tab,
// Enter, accelerators), also the pumps that run while a dialog handler
// waits, and the message boxes take it as their owner.

#include <windows.h>

namespace quorvix::win32 {

// Registers `dialog` while it lives; the previous one comes back after.
class ModalDialogScope {
 public:
  explicit ModalDialogScope(HWND dialog);
  ~ModalDialogScope();
  ModalDialogScope(const ModalDialogScope&) = delete;
  ModalDialogScope& operator=(const ModalDialogScope&) = delete;

 private:
  HWND previous_;
};

// The open dialog, or null.
HWND OpenModalDialog();

// True when the open dialog has taken `message` (dispatched it itself); the
// caller then neither translates nor dispatches it.
bool RouteToModalDialog(MSG& message);

}  // namespace quorvix::win32
