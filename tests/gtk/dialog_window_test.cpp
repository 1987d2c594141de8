// The dialog as a GTK window in a host that runs GTK: what kind of window it
// is, its controls, captions and groups, the table's arrangement without a
// cut caption or number, the tab order, the default button, Escape, the closing
// by the window manager, and a screenshot showing the widest numbers.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>

#include "gtk_host_fixture.h"
#include "ui/config_layout.h"

namespace quorvix::test {
namespace {

constexpr char kTitle[] = "GtkHost";
constexpr char kFile[] = "libquorvix.so";

struct Expected {
  const char* name;
  const char* caption;  // as shown, accelerators without their mark
};

constexpr std::array<Expected, 11> kCaptions{{
    {"frmCommunication", "Kommunikationseinstellungen"},
    {"Label1", "COM-Port:"},
    {"Label2", "Baud-Rate:"},
    {"frmDMXIn", "DMX-In"},
    {"chkDMXInActive", "DMX-In aktiv"},
    {"Label3", "Anzahl zu überwachender Kanäle:"},
    {"Label4", "Abfrageintervall (ms):"},
    {"frmTest", "Verbindung"},
    {"cmdSend", "Senden"},
    {"cmdShowSetup", "Setupmenü anzeigen"},
    {"cmdShowInfo", "Interfaceinfo anzeigen"},
}};

constexpr std::array<const char*, 13> kTabOrder{
    "cmbCOM",           "cmbBaud",          "chkDMXInActive",
    "txtDMXInChannels", "txtDMXInInterval", "cmdSend",
    "txtRecv",          "txtSend",          "cmdCheckConnection",
    "cmdShowSetup",     "cmdShowInfo",      "udDMXInChannels",
    "udDMXInInterval"};

// The text a control shows: a frame's label, a label's, a button's.
std::string Caption(GtkWidget* widget) {
  if (GTK_IS_FRAME(widget)) return gtk_frame_get_label(GTK_FRAME(widget));
  if (GTK_IS_LABEL(widget)) return gtk_label_get_text(GTK_LABEL(widget));
  if (GTK_IS_BIN(widget)) {
    GtkWidget* const child = gtk_bin_get_child(GTK_BIN(widget));
    if (child != nullptr && GTK_IS_LABEL(child)) return Caption(child);
  }
  return "<no caption>";
}

GdkRectangle InWindow(GtkWidget* widget, GtkWidget* window) {
  GdkRectangle rect{};
  gtk_widget_translate_coordinates(widget, window, 0, 0, &rect.x, &rect.y);
  rect.width = gtk_widget_get_allocated_width(widget);
  rect.height = gtk_widget_get_allocated_height(widget);
  return rect;
}

std::vector<std::string> Entries(GtkWidget* list) {
  std::vector<std::string> entries;
  GtkTreeModel* const model = gtk_combo_box_get_model(GTK_COMBO_BOX(list));
  GtkTreeIter at;
  for (gboolean more = gtk_tree_model_get_iter_first(model, &at); more;
       more = gtk_tree_model_iter_next(model, &at)) {
    gchar* text = nullptr;
    gtk_tree_model_get(model, &at, 0, &text, -1);
    entries.emplace_back(text != nullptr ? text : "");
    g_free(text);
  }
  return entries;
}

std::string Active(GtkWidget* list) {
  gchar* const text =
      gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(list));
  std::string result = text != nullptr ? text : "";
  g_free(text);
  return result;
}

class GtkDialogWindow : public GtkHostFixture {
 protected:
  void CheckWindow(GtkWindow* dialog) {
    EXPECT_FALSE(GTK_IS_DIALOG(dialog)) << "a plain window (no Escape binding)";
    EXPECT_FALSE(gtk_window_get_resizable(dialog));
    EXPECT_TRUE(gtk_window_get_modal(dialog));
    EXPECT_TRUE(gtk_window_get_skip_taskbar_hint(dialog));
    EXPECT_EQ(gtk_window_get_type_hint(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
    EXPECT_EQ(gtk_window_get_transient_for(dialog), GTK_WINDOW(host_window_))
        << "transient for the host's active window";
    GdkRectangle screen{};
    gdk_monitor_get_geometry(
        gdk_display_get_primary_monitor(gdk_display_get_default()), &screen);
    gint x = 0;
    gint y = 0;
    gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(dialog)), &x, &y);
    const int width = gtk_widget_get_allocated_width(GTK_WIDGET(dialog));
    const int height = gtk_widget_get_allocated_height(GTK_WIDGET(dialog));
    EXPECT_NEAR(2 * x + width, screen.width, 2) << "centred across";
    EXPECT_NEAR(2 * y + height, screen.height, 2) << "centred down";
  }

  void CheckControls(GtkWindow* dialog) {
    GtkWidget* const root = GTK_WIDGET(dialog);
    for (const Expected& expected : kCaptions) {
      GtkWidget* const widget = FindWidget(root, expected.name);
      ASSERT_NE(widget, nullptr) << expected.name;
      EXPECT_EQ(Caption(widget), expected.caption) << expected.name;
    }
    const auto widget = [&](const char* name) {
      return FindWidget(root, name);
    };
    EXPECT_EQ(Caption(widget("cmdCheckConnection")),
              "Verbindung zum DMX-Transmitter testen");
    EXPECT_EQ(gtk_button_get_label(GTK_BUTTON(widget("cmdSend"))),
              std::string("_Senden"));
    EXPECT_EQ(gtk_button_get_label(GTK_BUTTON(widget("cmdCheckConnection"))),
              std::string("Verbindung zum DMX-Transmitter _testen"));
    for (const char* name : {"frmCommunication", "frmDMXIn", "frmTest"}) {
      EXPECT_TRUE(GTK_IS_FRAME(widget(name))) << name;
    }
    for (const char* name : {"cmbCOM", "cmbBaud"}) {
      ASSERT_TRUE(GTK_IS_COMBO_BOX_TEXT(widget(name))) << name;
      EXPECT_FALSE(gtk_combo_box_get_has_entry(GTK_COMBO_BOX(widget(name))))
          << name << " takes no free text";
    }
    for (const char* name : {"txtDMXInChannels", "txtDMXInInterval"}) {
      ASSERT_TRUE(GTK_IS_ENTRY(widget(name))) << name;
      EXPECT_EQ(gtk_entry_get_alignment(GTK_ENTRY(widget(name))), 1.0F)
          << name << " is right-aligned";
    }
    ASSERT_TRUE(GTK_IS_ENTRY(widget("txtSend")));
    EXPECT_EQ(gtk_entry_get_alignment(GTK_ENTRY(widget("txtSend"))), 0.0F);
    EXPECT_EQ(EntryText(widget("txtSend")), "s");
    GtkWidget* const recv = widget("txtRecv");
    ASSERT_TRUE(GTK_IS_TEXT_VIEW(recv));
    EXPECT_FALSE(gtk_text_view_get_editable(GTK_TEXT_VIEW(recv)));
    GtkWidget* const scroller = gtk_widget_get_parent(recv);
    ASSERT_TRUE(GTK_IS_SCROLLED_WINDOW(scroller));
    GtkPolicyType across = GTK_POLICY_ALWAYS;
    GtkPolicyType down = GTK_POLICY_ALWAYS;
    gtk_scrolled_window_get_policy(GTK_SCROLLED_WINDOW(scroller), &across,
                                   &down);
    EXPECT_TRUE(across == GTK_POLICY_NEVER && down == GTK_POLICY_EXTERNAL)
        << "txtRecv shows no scroll bars and does not grow";
    EXPECT_TRUE(GTK_IS_CHECK_BUTTON(widget("chkDMXInActive")));
    EXPECT_TRUE(GTK_IS_SEPARATOR(widget("Line1")));
    for (const char* name : {"udDMXInChannels", "udDMXInInterval"}) {
      GtkWidget* const pair = widget(name);
      ASSERT_NE(pair, nullptr) << name;
      GtkWidget* const up = FindWidget(pair, "up");
      GtkWidget* const down_arrow = FindWidget(pair, "down");
      ASSERT_TRUE(GTK_IS_BUTTON(up) && GTK_IS_BUTTON(down_arrow)) << name;
      EXPECT_LT(InWindow(up, root).y, InWindow(down_arrow, root).y)
          << name << ": the up arrow above the down arrow";
    }
  }

  // Same groups; what stands left of or above another control in the
  // table does so on the screen.
  void CheckArrangement(GtkWindow* dialog) {
    GtkWidget* const root = GTK_WIDGET(dialog);
    const DialogLayout& layout = ConfigLayout();
    std::string wrong;
    for (const ControlLayout& a : layout.controls) {
      GtkWidget* const widget_a = FindWidget(root, std::string(a.name));
      ASSERT_NE(widget_a, nullptr) << a.name;
      if (a.container != kNoControl) {
        GtkWidget* const frame =
            FindWidget(root, std::string(layout.controls[a.container].name));
        if (!gtk_widget_is_ancestor(widget_a, frame)) {
          wrong += " " + std::string(a.name) + "(not in its frame)";
        }
      }
      const GdkRectangle ra = InWindow(widget_a, root);
      for (const ControlLayout& b : layout.controls) {
        if (&a == &b || a.container != b.container) continue;
        const GdkRectangle rb =
            InWindow(FindWidget(root, std::string(b.name)), root);
        const bool overlap_down =
            a.bounds.top < b.bounds.top + b.bounds.height &&
            b.bounds.top < a.bounds.top + a.bounds.height;
        const bool overlap_across =
            a.bounds.left < b.bounds.left + b.bounds.width &&
            b.bounds.left < a.bounds.left + a.bounds.width;
        if (overlap_down && a.bounds.left + a.bounds.width <= b.bounds.left &&
            ra.x + ra.width > rb.x) {
          wrong += " " + std::string(a.name) + "|" + std::string(b.name);
        }
        if (overlap_across && a.bounds.top + a.bounds.height <= b.bounds.top &&
            ra.y + ra.height > rb.y) {
          wrong += " " + std::string(a.name) + "/" + std::string(b.name);
        }
      }
    }
    EXPECT_EQ(wrong, "") << "groups, rows and order as in the table";
  }

  // No caption is cut: every widget gets at least the width it asks for.
  // What a widget asks for includes its margins and a container's border,
  // which its allocation leaves out.
  void CheckNothingCut(GtkWindow* dialog) {
    std::string cut;
    for (GtkWidget* const widget : Descendants(GTK_WIDGET(dialog))) {
      if (!gtk_widget_is_drawable(widget)) continue;
      gint minimum = 0;
      gint natural = 0;
      gtk_widget_get_preferred_width(widget, &minimum, &natural);
      const int border =
          GTK_IS_CONTAINER(widget)
              ? 2 * static_cast<int>(
                        gtk_container_get_border_width(GTK_CONTAINER(widget)))
              : 0;
      const int allocated = gtk_widget_get_allocated_width(widget) + border +
                            gtk_widget_get_margin_start(widget) +
                            gtk_widget_get_margin_end(widget);
      if (allocated < natural) {
        cut += " " + std::string(gtk_widget_get_name(widget)) + "(" +
               std::to_string(allocated) + "<" + std::to_string(natural) + ")";
      }
    }
    EXPECT_EQ(cut, "") << "widgets allocated less than their preferred width";
  }

  // The widest numbers, typed in, show whole: the text fits the field's
  // text area and is not scrolled.
  void CheckNumbersShowWhole(GtkWindow* dialog) {
    for (const auto& [name, number] :
         {std::pair{"txtDMXInChannels", "255"}, {"txtDMXInInterval", "1000"}}) {
      GtkWidget* const field = FindWidget(GTK_WIDGET(dialog), name);
      gtk_widget_grab_focus(field);
      TypeText(dialog, number);
      ASSERT_EQ(EntryText(field), number);
      GdkRectangle area{};
      gtk_entry_get_text_area(GTK_ENTRY(field), &area);
      PangoRectangle text{};
      pango_layout_get_pixel_extents(gtk_entry_get_layout(GTK_ENTRY(field)),
                                     nullptr, &text);
      gint x = 0;
      gtk_entry_get_layout_offsets(GTK_ENTRY(field), &x, nullptr);
      EXPECT_TRUE(text.width <= area.width && x + text.x >= area.x)
          << name << ": " << number << " is " << text.width << " wide from "
          << x + text.x << " in a text area from " << area.x << ", "
          << area.width << " wide";
    }
  }

  void CheckFilled(GtkWindow* dialog) {
    GtkWidget* const root = GTK_WIDGET(dialog);
    const std::vector<std::string> ports = Entries(FindWidget(root, "cmbCOM"));
    ASSERT_GE(ports.size(), 8U);
    for (std::size_t i = 0; i < 8; ++i) {
      EXPECT_EQ(ports[i], "COM" + std::to_string(i + 1));
    }
    EXPECT_EQ(Active(FindWidget(root, "cmbCOM")), "COM5");
    EXPECT_EQ(Entries(FindWidget(root, "cmbBaud")),
              (std::vector<std::string>{"19200", "38400"}));
    EXPECT_EQ(Active(FindWidget(root, "cmbBaud")), "38400");
    EXPECT_FALSE(gtk_toggle_button_get_active(
        GTK_TOGGLE_BUTTON(FindWidget(root, "chkDMXInActive"))));
    EXPECT_EQ(EntryText(FindWidget(root, "txtDMXInChannels")), "50");
  }

  void CheckKeys(GtkWindow* dialog) {
    EXPECT_EQ(FocusedName(dialog), "cmbCOM") << "the focus starts in cmbCOM";
    std::string order;
    for (std::size_t i = 1; i <= kTabOrder.size(); ++i) {
      PressKey(dialog, GDK_KEY_Tab);
      order += " " + FocusedName(dialog);
      EXPECT_EQ(FocusedName(dialog), kTabOrder[i % kTabOrder.size()])
          << "after " << i << " Tab keys:" << order;
    }
    PressKey(dialog, GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK);
    EXPECT_EQ(FocusedName(dialog), "udDMXInInterval") << "Shift+Tab goes back";
    GtkWidget* const send = FindWidget(GTK_WIDGET(dialog), "cmdSend");
    EXPECT_EQ(gtk_window_get_default_widget(dialog), send);
    gtk_widget_grab_focus(FindWidget(GTK_WIDGET(dialog), "txtSend"));
    EXPECT_TRUE(gtk_widget_has_default(send)) << "cmdSend shows as default";
    EXPECT_EQ(gtk_label_get_mnemonic_keyval(
                  GTK_LABEL(gtk_bin_get_child(GTK_BIN(send)))),
              static_cast<guint>(GDK_KEY_s));
  }

  // Escape neither closes the dialog nor runs its closing steps: the check
  // box, which closing copies into DMXInActive, is not copied.
  void CheckEscape(GtkWindow* dialog) {
    ClickButton(FindWidget(GTK_WIDGET(dialog), "chkDMXInActive"));
    for (const char* name : {"txtRecv", "txtSend", "cmbCOM"}) {
      gtk_widget_grab_focus(FindWidget(GTK_WIDGET(dialog), name));
      PressKey(dialog, GDK_KEY_Escape);
    }
    EXPECT_TRUE(gtk_widget_get_mapped(GTK_WIDGET(dialog)));
    EXPECT_EQ(LineStatus().dmx_in_active, 0) << "Escape ran the closing steps";
  }

  // Taken from the X server once the window has drawn itself.
  void Screenshot(GtkWindow* dialog) {
    bool drawn = false;
    const gulong handler = g_signal_connect_after(
        dialog, "draw",
        G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer flag) -> gboolean {
          *static_cast<bool*>(flag) = true;
          return FALSE;
        }),
        &drawn);
    gtk_widget_queue_draw(GTK_WIDGET(dialog));
    ASSERT_TRUE(PumpUntil([&] { return drawn; })) << "the dialog never drew";
    g_signal_handler_disconnect(dialog, handler);
    gdk_display_sync(gdk_display_get_default());
    GdkWindow* const window = gtk_widget_get_window(GTK_WIDGET(dialog));
    GdkPixbuf* const shot =
        gdk_pixbuf_get_from_window(window, 0, 0, gdk_window_get_width(window),
                                   gdk_window_get_height(window));
    ASSERT_NE(shot, nullptr);
    GError* error = nullptr;
    EXPECT_TRUE(
        gdk_pixbuf_save(shot, QUORVIX_SCREENSHOT, "png", &error, nullptr))
        << (error != nullptr ? error->message : "");
    if (error != nullptr) g_error_free(error);
    g_object_unref(shot);
  }
};

TEST_F(GtkDialogWindow,
       LooksAndKeysAsTheTableSaysAndClosesOnlyByTheWindowManager) {
  WriteSettings(kTitle, kFile, "ComPort=5\nComSettings=38400,n,8,1\n");
  ASSERT_EQ(Init(kTitle, kFile), 0) << plugin_->last_error();
  ASSERT_TRUE(ActivateHostWindow()) << "the host's window never got the focus";
  const int rc = RunDialog([&](GtkWindow* dialog) {
    Screenshot(dialog);  // drawn, so laid out, before anything is measured
    CheckWindow(dialog);
    CheckControls(dialog);
    CheckArrangement(dialog);
    CheckNothingCut(dialog);
    CheckFilled(dialog);
    CheckKeys(dialog);
    CheckEscape(dialog);
    CheckNumbersShowWhole(dialog);
    Screenshot(dialog);  // again, with the widest numbers
  });
  EXPECT_TRUE(scenario_ran_) << "no dialog appeared";
  EXPECT_EQ(rc, 0) << plugin_->last_error();
  EXPECT_EQ(result_, 0) << "Configure returns False";
  EXPECT_TRUE(HasTrace("[Quorvix] UI: GTK 3 (the host runs GTK 3)"));
  EXPECT_EQ(FindWindow(kDialogTitle), nullptr) << "the dialog is gone";
  EXPECT_EQ(LineStatus().dmx_in_active, -1)
      << "closing by the window manager ran the closing steps";
  EXPECT_TRUE(boxes_.Take().empty());
}

// The host destroys the window the dialog stands over: the dialog goes at
// once and its closing steps run.
TEST_F(GtkDialogWindow, GoesWithTheWindowItStandsOver) {
  ASSERT_EQ(Init(kTitle, kFile), 0) << plugin_->last_error();
  ASSERT_TRUE(ActivateHostWindow()) << "the host's window never got the focus";
  const int rc = RunDialog([&](GtkWindow* dialog) {
    ASSERT_EQ(gtk_window_get_transient_for(dialog), GTK_WINDOW(host_window_));
    ClickButton(FindWidget(GTK_WIDGET(dialog), "chkDMXInActive"));
    gtk_widget_destroy(std::exchange(host_window_, nullptr));
    EXPECT_EQ(FindWindow(kDialogTitle), nullptr) << "the dialog is gone";
    EXPECT_EQ(LineStatus().dmx_in_active, -1) << "the closing steps ran";
  });
  EXPECT_TRUE(scenario_ran_) << "no dialog appeared";
  EXPECT_EQ(rc, 0) << plugin_->last_error();
  EXPECT_EQ(LineStatus().dmx_in_active, -1);
}

}  // namespace
}  // namespace quorvix::test
