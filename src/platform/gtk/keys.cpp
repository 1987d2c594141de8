#include "platform/gtk/keys.h"

namespace quorvix::gtk {

std::uint32_t TypedCode(guint keyval, guint state) {
  const guint modifiers = state & gtk_accelerator_get_default_mod_mask();
  if (modifiers & GDK_MOD1_MASK) return 0;
  if (keyval == GDK_KEY_BackSpace) {
    return (modifiers & GDK_CONTROL_MASK) ? 0x7F : 8;
  }
  const gunichar typed = gdk_keyval_to_unicode(keyval);
  if (modifiers & GDK_CONTROL_MASK) {
    const gunichar letter = g_unichar_tolower(typed);
    return letter >= 'a' && letter <= 'z' ? letter - 'a' + 1 : 0;
  }
  return typed >= 0x20 && typed != 0x7F ? typed : 0;
}

bool IsTabKey(guint keyval) {
  return keyval == GDK_KEY_Tab || keyval == GDK_KEY_KP_Tab ||
         keyval == GDK_KEY_ISO_Left_Tab;
}

bool IsEnterKey(guint keyval) {
  return keyval == GDK_KEY_Return || keyval == GDK_KEY_KP_Enter ||
         keyval == GDK_KEY_ISO_Enter;
}

std::optional<ScrollAction> UpDownKeyAction(guint keyval) {
  switch (keyval) {
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up: return ScrollAction::kLineUp;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down: return ScrollAction::kLineDown;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up: return ScrollAction::kPageUp;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down: return ScrollAction::kPageDown;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home: return ScrollAction::kTop;
    case GDK_KEY_End:
    case GDK_KEY_KP_End: return ScrollAction::kBottom;
    default: return std::nullopt;
  }
}

bool IsArrowKey(guint keyval) {
  return keyval == GDK_KEY_Up || keyval == GDK_KEY_Down ||
         keyval == GDK_KEY_Left || keyval == GDK_KEY_Right ||
         keyval == GDK_KEY_KP_Up || keyval == GDK_KEY_KP_Down ||
         keyval == GDK_KEY_KP_Left || keyval == GDK_KEY_KP_Right;
}

}  // namespace quorvix::gtk
