#pragma once
// Which window a new modal window of the plug-in stands over: the open
// configuration dialog, else the host's active window.

#include <gtk/gtk.h>

namespace quorvix::gtk {

// Registers the open dialog while it runs; the previous one comes back
// after.
class OpenDialogScope {
 public:
  explicit OpenDialogScope(GtkWindow* dialog);
  ~OpenDialogScope();
  OpenDialogScope(const OpenDialogScope&) = delete;
  OpenDialogScope& operator=(const OpenDialogScope&) = delete;

 private:
  GtkWindow* previous_;
};

// Null when the host shows no window that has the focus.
GtkWindow* OwnerWindow();

}  // namespace quorvix::gtk
