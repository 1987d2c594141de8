#pragma once
// Finding and driving the widgets of the plug-in's windows from inside the
// host process, as a user would: keys as GDK key events through GTK's main
// event path, the focus moved first where a click would move it.

#include <gtk/gtk.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvix::test {

// Runs the default context's events until `done` holds or `bound` passes;
// returns what `done` says last. The bound only keeps a broken run from
// hanging; nothing depends on speed.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds bound = std::chrono::seconds(20));

// The visible toplevel with that title, or null.
GtkWindow* FindWindow(const std::string& title);

// The descendant of `root` (internal children included) named `name`.
GtkWidget* FindWidget(GtkWidget* root, const std::string& name);

// Every descendant of `root`, internal children included, depth first.
std::vector<GtkWidget*> Descendants(GtkWidget* root);

// A key pressed and released on `window` (its focus widget gets it).
void PressKey(GtkWindow* window, guint keyval,
              GdkModifierType modifiers = static_cast<GdkModifierType>(0));
// Each character of `text` as a key press.
void TypeText(GtkWindow* window, const std::string& text);

// What a mouse click does to a button: the focus first, then the click.
void ClickButton(GtkWidget* button);
// A choice from a drop-down list, after the click that moves the focus.
void ChooseEntry(GtkWidget* list, int index);

std::string EntryText(GtkWidget* entry);
std::string TextViewText(GtkWidget* view);
// The name of the control that has the window's focus ("" for none).
std::string FocusedName(GtkWindow* window);

// Waits until the X server has mapped `window` (it can take the focus).
bool WaitMapped(GtkWindow* window);
// The X window of a realised toplevel, as xdotool names it.
std::string XWindowId(GtkWindow* window);
// X's time of the last key or click the process got.
std::uint32_t LastUserTime();
// Runs xdotool with `arguments`; true when it succeeded.
bool XDoTool(const std::string& arguments);

}  // namespace quorvix::test
