#pragma once
// What the dialog's keys mean, as a classic dialog takes them.

#include <gtk/gtk.h>

#include <cstdint>
#include <optional>

#include "platform/dialog_view.h"

namespace quorvix::gtk {

// The character a key types as the classic key filter sees it: printable
// characters, Backspace (8; with Ctrl 127, as Windows types it) and Ctrl
// with a letter (1 to 26, Ctrl+V 22); 0 for keys that type nothing (Alt
// combinations are accelerators).
std::uint32_t TypedCode(guint keyval, guint state);

bool IsTabKey(guint keyval);    // Shift+Tab included
bool IsEnterKey(guint keyval);  // the keypad's too
bool IsArrowKey(guint keyval);

// What a key does to a focused up-down: the arrows step, the page keys
// step too, Home and End go to the ends.
std::optional<ScrollAction> UpDownKeyAction(guint keyval);

}  // namespace quorvix::gtk
