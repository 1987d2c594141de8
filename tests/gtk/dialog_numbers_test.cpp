// The DMX-In group through the GTK widgets: typed keys (filtered before the
// field takes them), the focus leaving a field, the arrow buttons by mouse
// and keyboard, the check box; and what Term then saves.

#include <gtest/gtest.h>

#include <string>

#include "gtk_host_fixture.h"

namespace quorvix::test {
namespace {

constexpr char kTitle[] = "GtkHost";
constexpr char kFile[] = "libquorvix.so";

class GtkDialogNumbers : public GtkHostFixture {
 protected:
  struct Pair {
    GtkWidget* field;
    GtkWidget* up;
    GtkWidget* down;
  };

  Pair PairOf(GtkWindow* dialog, const char* field, const char* bar) {
    GtkWidget* const arrows = FindWidget(GTK_WIDGET(dialog), bar);
    return {FindWidget(GTK_WIDGET(dialog), field), FindWidget(arrows, "up"),
            FindWidget(arrows, "down")};
  }

  // Stored 300 shows 300 with the bar left at 50; one upper arrow gives 207.
  void CheckOpenedOutOfRange(const Pair& channels) {
    EXPECT_EQ(EntryText(channels.field), "300");
    ClickButton(channels.up);
    EXPECT_EQ(EntryText(channels.field), "207");
    EXPECT_EQ(LineStatus().dmx_in_channels, 207);
  }

  // Leaving a field validates it: 0 becomes 1, an empty field 50.
  void CheckLeaving(GtkWindow* dialog, const Pair& channels,
                    const Pair& interval) {
    gtk_widget_grab_focus(channels.field);
    TypeText(dialog, "0");
    EXPECT_EQ(EntryText(channels.field), "0") << "0 replaces the selection";
    gtk_widget_grab_focus(interval.field);
    EXPECT_EQ(EntryText(channels.field), "1");
    EXPECT_EQ(LineStatus().dmx_in_channels, 1);
    gtk_widget_grab_focus(channels.field);
    PressKey(dialog, GDK_KEY_BackSpace);
    EXPECT_EQ(EntryText(channels.field), "") << "Backspace passes the filter";
    gtk_widget_grab_focus(FindWidget(GTK_WIDGET(dialog), "txtSend"));
    EXPECT_EQ(EntryText(channels.field), "50");
    EXPECT_EQ(LineStatus().dmx_in_channels, 50);
  }

  // Typing 300 stores 3, then 30, and 255 on leaving; letters, signs,
  // blanks, Ctrl+Backspace and Ctrl+V never reach the field.
  void CheckTyping(GtkWindow* dialog, const Pair& channels) {
    GtkWidget* const send = FindWidget(GTK_WIDGET(dialog), "txtSend");
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "12x",
                           -1);
    gtk_widget_grab_focus(channels.field);
    TypeText(dialog, "3");
    EXPECT_EQ(LineStatus().dmx_in_channels, 3);
    TypeText(dialog, "0");
    EXPECT_EQ(LineStatus().dmx_in_channels, 30);
    TypeText(dialog, "0a- ");
    PressKey(dialog, GDK_KEY_BackSpace, GDK_CONTROL_MASK);
    PressKey(dialog, GDK_KEY_v, GDK_CONTROL_MASK);
    // Where the clipboard is served, a paste arrives after the one above.
    gtk_widget_grab_focus(send);
    PressKey(dialog, GDK_KEY_v, GDK_CONTROL_MASK);
    EXPECT_TRUE(PumpUntil([&] { return EntryText(send) == "12x"; }))
        << "Ctrl+V pastes into txtSend: \"" << EntryText(send) << "\"";
    EXPECT_EQ(EntryText(channels.field), "255")
        << "300 was typed, nothing else, and leaving made it 255";
    EXPECT_EQ(LineStatus().dmx_in_channels, 255);
    ClickButton(channels.down);
    EXPECT_EQ(EntryText(channels.field), "254") << "the bar stood at 1";
    ClickButton(channels.up);
    ClickButton(channels.up);
    EXPECT_EQ(EntryText(channels.field), "255") << "the top stops the arrow";
  }

  // The arrows step by one; on the focused pair Up, Page Down, Home and End
  // step and jump.
  void CheckInterval(GtkWindow* dialog, const Pair& interval) {
    gtk_widget_grab_focus(interval.field);
    TypeText(dialog, "10");
    gtk_widget_grab_focus(interval.up);
    EXPECT_EQ(EntryText(interval.field), "25")
        << "10 ms becomes 25 when the focus moves to the arrows";
    ClickButton(interval.up);
    EXPECT_EQ(EntryText(interval.field), "26");
    ClickButton(interval.down);
    EXPECT_EQ(EntryText(interval.field), "25");
    PressKey(dialog, GDK_KEY_Up);
    EXPECT_EQ(EntryText(interval.field), "26");
    PressKey(dialog, GDK_KEY_Page_Down);
    EXPECT_EQ(EntryText(interval.field), "25");
    PressKey(dialog, GDK_KEY_Home);
    EXPECT_EQ(EntryText(interval.field), "1000");
    PressKey(dialog, GDK_KEY_End);
    EXPECT_EQ(EntryText(interval.field), "25");
    PressKey(dialog, GDK_KEY_Up);
    EXPECT_EQ(FocusedName(dialog), "udDMXInInterval")
        << "arrow keys never move the focus";
    EXPECT_EQ(LineStatus().dmx_in_interval_ms, 26);
  }
};

TEST_F(GtkDialogNumbers, TypedKeysArrowsAndLeavingTheFields) {
  WriteSettings(kTitle, kFile, "DMXInChannels=300\n");
  ASSERT_EQ(Init(kTitle, kFile), 0) << plugin_->last_error();
  const int rc = RunDialog([&](GtkWindow* dialog) {
    const Pair channels = PairOf(dialog, "txtDMXInChannels", "udDMXInChannels");
    const Pair interval = PairOf(dialog, "txtDMXInInterval", "udDMXInInterval");
    ASSERT_TRUE(channels.field && channels.up && channels.down &&
                interval.field && interval.up && interval.down);
    CheckOpenedOutOfRange(channels);
    CheckLeaving(dialog, channels, interval);
    CheckTyping(dialog, channels);
    CheckInterval(dialog, interval);
    GtkWidget* const box = FindWidget(GTK_WIDGET(dialog), "chkDMXInActive");
    ClickButton(box);
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box)));
  });
  EXPECT_TRUE(scenario_ran_) << "no dialog appeared";
  EXPECT_EQ(rc, 0) << plugin_->last_error();
  ASSERT_EQ(Term(), 0) << plugin_->last_error();
  EXPECT_EQ(Setting(kTitle, "DMXInChannels"), "255");
  EXPECT_EQ(Setting(kTitle, "DMXInInterval"), "26");
  EXPECT_EQ(Setting(kTitle, "DMXInActive"), "True");
}

}  // namespace
}  // namespace quorvix::test
