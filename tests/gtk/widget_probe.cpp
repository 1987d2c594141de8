#include "widget_probe.h"

#include <gdk/gdkx.h>

#include <cstdlib>
#include <thread>

namespace quorvix::test {
namespace {

void Collect(GtkWidget* widget, gpointer data) {
  auto* const found = static_cast<std::vector<GtkWidget*>*>(data);
  found->push_back(widget);
  if (GTK_IS_CONTAINER(widget)) {
    gtk_container_forall(GTK_CONTAINER(widget), &Collect, data);
  }
}

void SendKey(GtkWindow* window, GdkEventType type, guint keyval,
             GdkModifierType modifiers) {
  GdkWindow* const gdk_window = gtk_widget_get_window(GTK_WIDGET(window));
  GdkDisplay* const display = gdk_window_get_display(gdk_window);
  GdkEvent* const event = gdk_event_new(type);
  event->key.window = GDK_WINDOW(g_object_ref(gdk_window));
  event->key.send_event = TRUE;
  event->key.time = GDK_CURRENT_TIME;
  event->key.state = modifiers;
  event->key.keyval = keyval;
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display),
                                        keyval, &keys, &count) &&
      count > 0) {
    event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    event->key.group = static_cast<guint8>(keys[0].group);
  }
  g_free(keys);
  const gunichar character = gdk_keyval_to_unicode(keyval);
  gchar utf8[8] = {};
  if (character != 0) g_unichar_to_utf8(character, utf8);
  event->key.string = g_strdup(utf8);
  event->key.length = static_cast<gint>(std::char_traits<char>::length(utf8));
  gdk_event_set_device(
      event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
  gtk_main_do_event(event);
  gdk_event_free(event);
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds bound) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return done();
    if (!g_main_context_iteration(nullptr, FALSE)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  return true;
}

GtkWindow* FindWindow(const std::string& title) {
  GList* const toplevels = gtk_window_list_toplevels();
  GtkWindow* found = nullptr;
  for (GList* at = toplevels; at != nullptr; at = at->next) {
    auto* const window = static_cast<GtkWindow*>(at->data);
    const gchar* const shown = gtk_window_get_title(window);
    if (shown != nullptr && title == shown &&
        gtk_widget_get_visible(GTK_WIDGET(window))) {
      found = window;
    }
  }
  g_list_free(toplevels);
  return found;
}

std::vector<GtkWidget*> Descendants(GtkWidget* root) {
  std::vector<GtkWidget*> found;
  if (GTK_IS_CONTAINER(root)) {
    gtk_container_forall(GTK_CONTAINER(root), &Collect, &found);
  }
  return found;
}

GtkWidget* FindWidget(GtkWidget* root, const std::string& name) {
  for (GtkWidget* const widget : Descendants(root)) {
    if (name == gtk_widget_get_name(widget)) return widget;
  }
  return nullptr;
}

void PressKey(GtkWindow* window, guint keyval, GdkModifierType modifiers) {
  SendKey(window, GDK_KEY_PRESS, keyval, modifiers);
  SendKey(window, GDK_KEY_RELEASE, keyval, modifiers);
}

void TypeText(GtkWindow* window, const std::string& text) {
  for (const char c : text) {
    PressKey(window, gdk_unicode_to_keyval(static_cast<unsigned char>(c)));
  }
}

void ClickButton(GtkWidget* button) {
  gtk_widget_grab_focus(button);
  gtk_button_clicked(GTK_BUTTON(button));
}

void ChooseEntry(GtkWidget* list, int index) {
  gtk_widget_grab_focus(list);
  gtk_combo_box_set_active(GTK_COMBO_BOX(list), index);
}

std::string EntryText(GtkWidget* entry) {
  return gtk_entry_get_text(GTK_ENTRY(entry));
}

std::string TextViewText(GtkWidget* view) {
  GtkTextBuffer* const buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
  GtkTextIter start;
  GtkTextIter end;
  gtk_text_buffer_get_bounds(buffer, &start, &end);
  gchar* const text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
  std::string result(text);
  g_free(text);
  return result;
}

std::string FocusedName(GtkWindow* window) {
  // The control is the named ancestor (a list's focus sits on its button).
  for (GtkWidget* at = gtk_window_get_focus(window); at != nullptr;
       at = gtk_widget_get_parent(at)) {
    const std::string name = gtk_widget_get_name(at);
    if (name == "up" || name == "down") continue;
    if (!name.empty() && name.rfind("Gtk", 0) != 0) return name;
  }
  return "";
}

bool WaitMapped(GtkWindow* window) {
  return PumpUntil([&] {
    GdkWindow* const gdk_window = gtk_widget_get_window(GTK_WIDGET(window));
    gdk_display_sync(gdk_display_get_default());
    return gdk_window != nullptr &&
           (gdk_window_get_state(gdk_window) & GDK_WINDOW_STATE_WITHDRAWN) == 0;
  });
}

std::string XWindowId(GtkWindow* window) {
  GdkWindow* const gdk_window = gtk_widget_get_window(GTK_WIDGET(window));
  return std::to_string(gdk_x11_window_get_xid(gdk_window));
}

std::uint32_t LastUserTime() {
  return gdk_x11_display_get_user_time(gdk_display_get_default());
}

bool XDoTool(const std::string& arguments) {
  const std::string command = "xdotool " + arguments;
  return std::system(command.c_str()) == 0;
}

}  // namespace quorvix::test
