#pragma once
// A user interface that lives in a shared module of its own (the GTK one on
// Linux), so that the plug-in never links a toolkit it may not be able to
// use. The module exports one C function, kUiModuleFactory, of type
// UiModuleFactory; the loader keeps the module loaded for good.

#include <cstddef>

#include "platform/dialog_view.h"
#include "platform/message_box.h"

namespace quorvix {

class UiModule {
 public:
  virtual ~UiModule() = default;
  virtual DialogViews& dialogs() = 0;
  virtual MessageBoxes& messages() = 0;
  // Null while the interface still works here, else why not (UTF-8): the
  // display it used may have gone since the module was made.
  virtual const char* Unusable() const = 0;
};

struct UiModuleRequest {
  // True: use the display the host already opened, or none. False: open
  // the default display if nobody did.
  bool only_open_display = true;
  // Why the module refused, zero-terminated UTF-8.
  char* why = nullptr;
  std::size_t why_size = 0;
};

// Null when the interface cannot work here (the reason in request->why).
// Never throws. The caller owns the result.
using UiModuleFactory = UiModule* (*)(UiModuleRequest* request);

inline constexpr char kUiModuleFactory[] = "quorvix_ui_module_create";

}  // namespace quorvix
