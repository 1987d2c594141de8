#include "platform/gtk/message_dialogs.h"

#include <gtk/gtk.h>

#include <string>

#include "platform/gtk/captions.h"
#include "platform/gtk/gobject_ref.h"
#include "platform/gtk/owner_window.h"

namespace quorvix::gtk {

void MessageDialogs::Show(MessageIcon icon, std::string_view text) {
  const std::string shown = UnixLineBreaks(text);
  GtkWindow* const owner = OwnerWindow();
  const OwnedWindow box(gtk_message_dialog_new(
      owner, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL),
      icon == MessageIcon::kError ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO,
      GTK_BUTTONS_OK, "%s", shown.c_str()));
  const std::string title(kMessageBoxTitle);
  gtk_window_set_title(GTK_WINDOW(box.get()), title.c_str());
  gtk_window_set_position(
      GTK_WINDOW(box.get()),
      owner != nullptr ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  gtk_dialog_run(GTK_DIALOG(box.get()));
}

}  // namespace quorvix::gtk
