// The dialog under real input through the X server (xdotool, after giving
// the dialog the X focus): Tab order, letters refused in a number field,
// Enter and Alt+S in txtSend, Alt+T, Escape, mouse clicks on the check box
// and on an arrow, pastes and Delete in a number field, a second Configure,
// and the shown entry of a list picked again.

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "gtk_host_fixture.h"

namespace quorvix::test {
namespace {

constexpr char kTitle[] = "GtkHost";
constexpr char kFile[] = "libquorvix.so";
constexpr int kPort = 5;

constexpr std::array<const char*, 13> kTabOrder{
    "cmbCOM",           "cmbBaud",          "chkDMXInActive",
    "txtDMXInChannels", "txtDMXInInterval", "cmdSend",
    "txtRecv",          "txtSend",          "cmdCheckConnection",
    "cmdShowSetup",     "cmdShowInfo",      "udDMXInChannels",
    "udDMXInInterval"};

bool Keys(const std::string& keys) { return XDoTool("key --delay 40 " + keys); }

class GtkDialogXInput : public GtkHostFixture {
 protected:
  // A real mouse click in the middle of `widget`.
  bool Click(GtkWidget* widget, int button = 1) {
    GtkWidget* const window = gtk_widget_get_toplevel(widget);
    gint x = 0;
    gint y = 0;
    gtk_widget_translate_coordinates(
        widget, window, gtk_widget_get_allocated_width(widget) / 2,
        gtk_widget_get_allocated_height(widget) / 2, &x, &y);
    return XDoTool("mousemove --window " + XWindowId(GTK_WINDOW(window)) + " " +
                   std::to_string(x) + " " + std::to_string(y) + " click " +
                   std::to_string(button));
  }

  // The item of `field`'s context menu that GTK labels `label`, once shown.
  static GtkWidget* ContextMenuItem(GtkWidget* field, const char* label) {
    const char* const shown = g_dgettext("gtk30", label);
    for (GList* menu = gtk_menu_get_for_attach_widget(field); menu != nullptr;
         menu = menu->next) {
      GList* const items =
          gtk_container_get_children(GTK_CONTAINER(menu->data));
      GtkWidget* found = nullptr;
      for (GList* at = items; at != nullptr && found == nullptr;
           at = at->next) {
        auto* const item = static_cast<GtkWidget*>(at->data);
        if (GTK_IS_MENU_ITEM(item) && gtk_widget_get_mapped(item) &&
            g_strcmp0(gtk_menu_item_get_label(GTK_MENU_ITEM(item)), shown) ==
                0) {
          found = item;
        }
      }
      g_list_free(items);
      if (found != nullptr) return found;
    }
    return nullptr;
  }

  void CheckTabKeys(GtkWindow* dialog) {
    std::string order;
    for (std::size_t i = 1; i <= kTabOrder.size(); ++i) {
      const std::string expected = kTabOrder[i % kTabOrder.size()];
      ASSERT_TRUE(Keys("Tab"));
      EXPECT_TRUE(PumpUntil([&] { return FocusedName(dialog) == expected; }))
          << "Tab " << i << " should reach " << expected << "; so far" << order;
      order += " " + FocusedName(dialog);
    }
    ASSERT_TRUE(Keys("shift+Tab"));
    EXPECT_TRUE(PumpUntil([&] {
      return FocusedName(dialog) == "udDMXInInterval";
    })) << "Shift+Tab goes back";
  }

  void CheckNumberKeys(GtkWindow* dialog) {
    GtkWidget* const channels =
        FindWidget(GTK_WIDGET(dialog), "txtDMXInChannels");
    gtk_widget_grab_focus(channels);
    ASSERT_TRUE(XDoTool("type --delay 40 a7b-"));
    ASSERT_TRUE(Keys("Tab"));
    ASSERT_TRUE(
        PumpUntil([&] { return FocusedName(dialog) == "txtDMXInInterval"; }));
    EXPECT_EQ(EntryText(channels), "7") << "only the digit got through";
    EXPECT_EQ(LineStatus().dmx_in_channels, 7);
  }

  // Pasted text passes no key filter but the field's rules: Shift+Insert of
  // "12x" shows and stores 12 at once (the bar moves, which rewrites the
  // field); Delete at the start leaves 2; " 7.5" from the context menu has
  // no leading number, stores nothing and becomes 8 when the field is left.
  void CheckPasteAndDelete(GtkWindow* dialog) {
    GtkWidget* const channels =
        FindWidget(GTK_WIDGET(dialog), "txtDMXInChannels");
    GtkClipboard* const clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_set_text(clipboard, "12x", -1);
    gtk_widget_grab_focus(channels);  // the whole text selected
    ASSERT_TRUE(Keys("shift+Insert"));
    EXPECT_TRUE(PumpUntil([&] { return EntryText(channels) == "12"; }))
        << EntryText(channels);
    EXPECT_EQ(LineStatus().dmx_in_channels, 12);
    ASSERT_TRUE(Keys("Home Delete"));
    EXPECT_TRUE(PumpUntil([&] { return EntryText(channels) == "2"; }))
        << EntryText(channels);
    EXPECT_EQ(LineStatus().dmx_in_channels, 2);
    gtk_clipboard_set_text(clipboard, " 7.5", -1);
    gtk_widget_grab_focus(channels);
    ASSERT_TRUE(Click(channels, 3));
    GtkWidget* paste = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
      paste = ContextMenuItem(channels, "_Paste");
      return paste != nullptr;
    })) << "the context menu offers Paste";
    ASSERT_TRUE(Click(paste));
    EXPECT_TRUE(PumpUntil([&] { return EntryText(channels) == " 7.5"; }))
        << EntryText(channels);
    EXPECT_EQ(LineStatus().dmx_in_channels, 2);
    ASSERT_TRUE(Keys("Tab"));
    EXPECT_TRUE(PumpUntil([&] { return EntryText(channels) == "8"; }))
        << EntryText(channels);
    EXPECT_EQ(LineStatus().dmx_in_channels, 8);
  }

  // A second Configure while the dialog is open, from a key the user
  // pressed in the host's window, brings the dialog to the front.
  void CheckSecondConfigureRaises(GtkWindow* dialog) {
    GtkWindow* const host = GTK_WINDOW(host_window_);
    ASSERT_TRUE(XDoTool("windowfocus --sync " + XWindowId(host)));
    ASSERT_TRUE(PumpUntil([&] { return gtk_window_is_active(host) != 0; }));
    const std::uint32_t before = LastUserTime();
    ASSERT_TRUE(Keys("shift"));
    ASSERT_TRUE(PumpUntil([&] { return LastUserTime() != before; }));
    qvx_bool second = -1;
    EXPECT_EQ(plugin_->Configure(driver_, &second), 0);
    EXPECT_EQ(second, 0) << "it returns False";
    EXPECT_TRUE(PumpUntil([&] { return gtk_window_is_active(dialog) != 0; }))
        << "the dialog is in front again";
  }

  void CheckSendKeys(GtkWindow* dialog) {
    GtkWidget* const send = FindWidget(GTK_WIDGET(dialog), "txtSend");
    gtk_widget_grab_focus(send);
    ASSERT_TRUE(XDoTool("type --delay 40 I"));
    EXPECT_TRUE(PumpUntil([&] { return EntryText(send) == "I"; }))
        << "I replaces the selected text: \"" << EntryText(send) << "\"";
    ASSERT_TRUE(Keys("Return"));
    EXPECT_TRUE(PumpUntil([&] { return SimEvents(kPort, "info").size() == 1; }))
        << "Enter in txtSend sends I";
    gint start = -1;
    gint end = -1;
    gtk_editable_get_selection_bounds(GTK_EDITABLE(send), &start, &end);
    EXPECT_TRUE(FocusedName(dialog) == "txtSend" && start == 0 && end == 1)
        << "the focus stays in txtSend with its text selected";
    ASSERT_TRUE(Keys("alt+s"));
    EXPECT_TRUE(PumpUntil([&] { return SimEvents(kPort, "info").size() == 2; }))
        << "Alt+S sends again";
    GtkWidget* const recv = FindWidget(GTK_WIDGET(dialog), "txtRecv");
    EXPECT_TRUE(PumpUntil([&] {
      return TextViewText(recv).rfind("Quorvix-Sim DMX-Transmitter", 0) == 0;
    })) << TextViewText(recv);
  }

  void CheckTestKeyAndEscape(GtkWindow* dialog) {
    std::vector<SeenBox> seen;
    ASSERT_TRUE(Keys("alt+t"));
    EXPECT_TRUE(PumpUntil([&] {
      for (SeenBox& box : boxes_.Take()) seen.push_back(std::move(box));
      return !seen.empty();
    })) << "Alt+T runs the connection test";
    ASSERT_EQ(seen.size(), 1U);
    EXPECT_EQ(seen[0].text, kM3);
    EXPECT_EQ(seen[0].parent, dialog);
    GtkWidget* const box = FindWidget(GTK_WIDGET(dialog), "chkDMXInActive");
    ASSERT_TRUE(Click(box));
    EXPECT_TRUE(PumpUntil([&] {
      return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box)) != 0;
    })) << "a click checks the box";
    gtk_widget_grab_focus(FindWidget(GTK_WIDGET(dialog), "txtRecv"));
    ASSERT_TRUE(Keys("Escape"));
    GtkWidget* const send = FindWidget(GTK_WIDGET(dialog), "txtSend");
    gtk_widget_grab_focus(send);
    ASSERT_TRUE(Keys("Escape"));
    ASSERT_TRUE(XDoTool("type --delay 40 x"));
    EXPECT_TRUE(PumpUntil([&] { return EntryText(send) == "x"; }));
    EXPECT_EQ(LineStatus().dmx_in_active, 0) << "Escape ran the closing steps";
  }

  // Exactly one box, with `text`.
  bool OneBox(const char* text) {
    std::vector<SeenBox> seen;
    PumpUntil([&] {
      for (SeenBox& box : boxes_.Take()) seen.push_back(std::move(box));
      return !seen.empty();
    });
    PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    for (SeenBox& box : boxes_.Take()) seen.push_back(std::move(box));
    return seen.size() == 1 && seen[0].text == text;
  }

  // After M1 the user tries the refused port again by picking the entry the
  // list shows, by keyboard and by mouse: each pick is a choice, with its M1.
  void CheckSameEntryAgain(GtkWindow* dialog) {
    constexpr int kCom7 = 6;
    GtkWidget* const ports = FindWidget(GTK_WIDGET(dialog), "cmbCOM");
    ChooseEntry(ports, kCom7);
    EXPECT_TRUE(OneBox(kM1)) << "choosing the refused COM7 shows M1";
    const auto shown = [&] {
      return gtk_combo_box_get_active(GTK_COMBO_BOX(ports)) == kCom7;
    };
    bool popped = false;
    const gulong watch = g_signal_connect_swapped(
        ports, "notify::popup-shown",
        G_CALLBACK(+[](bool* flag) { *flag = true; }), &popped);
    ASSERT_TRUE(Keys("alt+Down"));
    EXPECT_TRUE(PumpUntil([&] { return popped; })) << "Alt+Down opens it";
    ASSERT_TRUE(Keys("Return"));
    EXPECT_TRUE(OneBox(kM1)) << "picking COM7 again by keyboard tries again";
    popped = false;
    ASSERT_TRUE(Click(ports));
    EXPECT_TRUE(PumpUntil([&] { return popped; })) << "a click opens it";
    // The open list stands with the shown entry over the closed one.
    ASSERT_TRUE(XDoTool("sleep 0.5 click 1"));
    EXPECT_TRUE(OneBox(kM1)) << "picking COM7 again by mouse tries again";
    EXPECT_TRUE(shown());
    g_signal_handler_disconnect(ports, watch);
  }

  void CheckArrowClick(GtkWindow* dialog) {
    GtkWidget* const interval =
        FindWidget(GTK_WIDGET(dialog), "txtDMXInInterval");
    GtkWidget* const up =
        FindWidget(FindWidget(GTK_WIDGET(dialog), "udDMXInInterval"), "up");
    ASSERT_TRUE(Click(up));
    EXPECT_TRUE(PumpUntil([&] { return EntryText(interval) == "51"; }))
        << "a click on the upper arrow raises 50 to 51: "
        << EntryText(interval);
    EXPECT_EQ(FocusedName(dialog), "udDMXInInterval")
        << "the click took the focus, as a scroll bar's does";
  }
};

TEST_F(GtkDialogXInput, RealKeysAndClicksThroughTheXServer) {
  host::SimProcess& sim = StartSim(kPort);
  // COM7 leads nowhere.
  std::filesystem::create_symlink(PortLink(7).parent_path() / "missing",
                                  PortLink(7));
  WriteSettings(kTitle, kFile, "ComPort=5\nComSettings=38400,n,8,1\n");
  ASSERT_EQ(Init(kTitle, kFile), 0) << plugin_->last_error();
  ASSERT_EQ(Enable(), 0) << plugin_->last_error();
  ASSERT_EQ(sim.Command("baud auto").rfind("ok", 0), 0U);
  const int rc = RunDialog([&](GtkWindow* dialog) {
    ASSERT_TRUE(WaitMapped(dialog));
    ASSERT_TRUE(XDoTool("windowfocus --sync " + XWindowId(dialog)));
    ASSERT_TRUE(PumpUntil([&] { return gtk_window_is_active(dialog) != 0; }))
        << "the dialog never got the X focus";
    EXPECT_EQ(FocusedName(dialog), "cmbCOM");
    CheckTabKeys(dialog);
    CheckArrowClick(dialog);
    CheckNumberKeys(dialog);
    CheckPasteAndDelete(dialog);
    CheckSecondConfigureRaises(dialog);
    CheckSendKeys(dialog);
    CheckTestKeyAndEscape(dialog);
    CheckSameEntryAgain(dialog);
  });
  EXPECT_TRUE(scenario_ran_) << "no dialog appeared";
  EXPECT_EQ(rc, 0) << plugin_->last_error();
  EXPECT_EQ(LineStatus().dmx_in_active, -1) << "the closing steps ran";
}

}  // namespace
}  // namespace quorvix::test
