#include "platform/gtk/owner_window.h"

#include <utility>

namespace quorvix::gtk {
namespace {

// One thread runs every window of the plug-in.
GtkWindow* open_dialog = nullptr;

GtkWindow* ActiveToplevel() {
  GList* const toplevels = gtk_window_list_toplevels();
  GtkWindow* active = nullptr;
  for (GList* at = toplevels; at != nullptr && active == nullptr;
       at = at->next) {
    auto* const window = static_cast<GtkWindow*>(at->data);
    if (gtk_widget_get_visible(GTK_WIDGET(window)) &&
        gtk_window_is_active(window)) {
      active = window;
    }
  }
  g_list_free(toplevels);
  return active;
}

}  // namespace

OpenDialogScope::OpenDialogScope(GtkWindow* dialog)
    : previous_(std::exchange(open_dialog, dialog)) {}

OpenDialogScope::~OpenDialogScope() { open_dialog = previous_; }

GtkWindow* OwnerWindow() {
  return open_dialog != nullptr ? open_dialog : ActiveToplevel();
}

}  // namespace quorvix::gtk
