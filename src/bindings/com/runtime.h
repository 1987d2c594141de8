#pragma once
// What the DLL creates once, on the thread of the first driver object, and
// keeps until it is unloaded: the Win32 platform and the driver module that
// every driver object shares. It is used only on that thread.

#include <windows.h>

#include "core/driver_module.h"
#include "platform/win32/debug_output.h"
#include "platform/win32/dialog_windows.h"
#include "platform/win32/hidden_window_loop.h"
#include "platform/win32/message_boxes.h"
#include "platform/win32/registry_store.h"
#include "platform/win32/serial_port.h"

namespace quorvix::com {

class Runtime {
 public:
  explicit Runtime(HINSTANCE instance);
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  bool OnOwnerThread() const { return GetCurrentThreadId() == owner_thread_; }
  DriverModule& module() { return module_; }
  // No open port, running timer or held helper.
  bool Idle() const;

 private:
  DWORD owner_thread_;
  win32::DebugOutput trace_;
  win32::HiddenWindowLoop events_;
  win32::SerialPorts serial_;
  win32::RegistryStore store_;
  win32::MessageBoxesW messages_;
  win32::DialogWindows dialogs_;
  Platform platform_;
  // Last, so that it goes first: it closes the port and stops the timer
  // while the window still exists.
  DriverModule module_;
};

}  // namespace quorvix::com
