#pragma once
// Real Win32 dialog windows for the configuration dialog.

#include <windows.h>

#include <memory>

#include "platform/dialog_view.h"
#include "platform/win32/dialog_window.h"

namespace quorvix::win32 {

class DialogWindows final : public DialogViews {
 public:
  explicit DialogWindows(HINSTANCE instance) : instance_(instance) {}

  std::unique_ptr<DialogView> Create(const DialogLayout& layout,
                                     DialogEvents& events) override {
    return std::make_unique<DialogWindow>(instance_, layout, events);
  }

 private:
  HINSTANCE instance_;
};

}  // namespace quorvix::win32
