#pragma once
// The GTK widgets for each kind of the dialog layout: frames, labels,
// combo boxes with fixed entries, entries, a check button, buttons, a
// separator, a read-only text view, and for the up-down a pair of small
// arrow buttons (GTK 3 themes draw scroll bars without arrows).

#include <gtk/gtk.h>

#include "platform/dialog_view.h"

namespace quorvix::gtk {

struct ControlWidgets {
  GtkWidget* placed = nullptr;  // what the grid holds
  GtkWidget* shown = nullptr;   // what shows the text or state
  GtkWidget* up = nullptr;      // the up-down's arrows
  GtkWidget* down = nullptr;
};

// The widget that shows a control is named after it (the arrows "up" and
// "down"), and the placed one asks for at least its size in the table at
// 96 DPI; the fonts may grow it. `arrow_style` makes the arrows small.
ControlWidgets CreateControlWidgets(const ControlLayout& item,
                                    GtkStyleProvider* arrow_style);

// The CSS of the up-down's arrow buttons.
GtkStyleProvider* NewArrowStyle();

}  // namespace quorvix::gtk
