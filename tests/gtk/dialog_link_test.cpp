// The dialog's choices, connection test and terminal through the GTK
// widgets against the simulator, with the plug-in's boxes shown over the
// dialog; and what Term then saves.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "gtk_host_fixture.h"

namespace quorvix::test {
namespace {

constexpr char kTitle[] = "GtkHost";
constexpr char kFile[] = "libquorvix.so";
constexpr int kPort = 5;
constexpr int kCom5 = 4;
constexpr int kCom7 = 6;
constexpr int kBaud19200 = 0;
constexpr int kBaud38400 = 1;

std::string LastOf(const std::vector<std::string>& lines) {
  return lines.empty() ? std::string("<none>") : lines.back();
}

class GtkDialogLink : public GtkHostFixture {
 protected:
  GtkWidget* Widget(GtkWindow* dialog, const char* name) {
    GtkWidget* const widget = FindWidget(GTK_WIDGET(dialog), name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  // Exactly one box, that one, modal over the dialog with the usual title.
  void ExpectBox(GtkWindow* dialog, const std::string& text,
                 GtkMessageType type, const std::string& what) {
    const std::vector<SeenBox> seen = boxes_.Take();
    ASSERT_EQ(seen.size(), 1U) << what;
    EXPECT_EQ(seen[0].text, text) << what;
    EXPECT_EQ(seen[0].type, type) << what;
    EXPECT_EQ(seen[0].title, kBoxTitle) << what;
    EXPECT_EQ(seen[0].parent, dialog) << what << ": over the dialog";
    EXPECT_TRUE(seen[0].modal) << what;
  }

  // A baud choice reopens the port at the new speed; the test then shows
  // M4 below 38400 baud and M3 at 38400, and M2 when nobody answers.
  void CheckBaudAndTest(GtkWindow* dialog) {
    ChooseEntry(Widget(dialog, "cmbBaud"), kBaud19200);
    EXPECT_TRUE(boxes_.Take().empty()) << "choosing 19200 shows no box";
    const std::size_t handshakes = SimEvents(kPort, "handshake").size();
    ClickButton(Widget(dialog, "cmdCheckConnection"));
    ExpectBox(dialog, kM4, GTK_MESSAGE_INFO, "the test at 19200 baud");
    EXPECT_TRUE(PumpUntil([&] {
      return LastOf(SimEvents(kPort, "line-speed")) == "19200";
    })) << "the line runs at "
        << LastOf(SimEvents(kPort, "line-speed"));
    EXPECT_EQ(SimEvents(kPort, "handshake").size(), handshakes + 1);
    ChooseEntry(Widget(dialog, "cmbBaud"), kBaud38400);
    ClickButton(Widget(dialog, "cmdCheckConnection"));
    ExpectBox(dialog, kM3, GTK_MESSAGE_INFO, "the test at 38400 baud");
    EXPECT_TRUE(PumpUntil([&] {
      return LastOf(SimEvents(kPort, "line-speed")) == "38400";
    })) << "the line runs at "
        << LastOf(SimEvents(kPort, "line-speed"));
    EXPECT_EQ(LineStatus().transmitter_ready, -1);
    ASSERT_EQ(sim_->Command("silent on").rfind("ok", 0), 0U);
    ClickButton(Widget(dialog, "cmdCheckConnection"));
    ExpectBox(dialog, kM2, GTK_MESSAGE_ERROR, "a silent transmitter");
    EXPECT_EQ(LineStatus().transmitter_ready, 0);
    ASSERT_EQ(sim_->Command("silent off").rfind("ok", 0), 0U);
  }

  // A port that cannot be opened shows M1, the choice stays shown, sending
  // then finds the port closed; the simulator's port opens again.
  void CheckRefusedPort(GtkWindow* dialog) {
    GtkWidget* const ports = Widget(dialog, "cmbCOM");
    ChooseEntry(ports, kCom7);
    ExpectBox(dialog, kM1, GTK_MESSAGE_ERROR, "choosing the missing COM7");
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(ports)), kCom7);
    ClickButton(Widget(dialog, "cmdSend"));
    ExpectBox(dialog, kPortNotOpen, GTK_MESSAGE_ERROR,
              "sending with the port closed");
    ChooseEntry(ports, kCom5);
    EXPECT_TRUE(boxes_.Take().empty()) << "COM5 opens again without a box";
  }

  // Information and setup put their letter into txtSend, selected, and send
  // it; the answer appears in txtRecv.
  void CheckTerminalButtons(GtkWindow* dialog) {
    GtkWidget* const send = Widget(dialog, "txtSend");
    GtkWidget* const recv = Widget(dialog, "txtRecv");
    ClickButton(Widget(dialog, "cmdShowInfo"));
    gint start = -1;
    gint end = -1;
    gtk_editable_get_selection_bounds(GTK_EDITABLE(send), &start, &end);
    EXPECT_TRUE(EntryText(send) == "I" && start == 0 && end == 1)
        << "Interfaceinfo anzeigen puts a selected I into txtSend: \""
        << EntryText(send) << "\" " << start << ".." << end;
    EXPECT_TRUE(
        PumpUntil([&] { return SimEvents(kPort, "info").size() == 1; }));
    EXPECT_TRUE(PumpUntil([&] {
      return TextViewText(recv).rfind(
                 "Quorvix-Sim DMX-Transmitter, 512 out / 512 in", 0) == 0;
    })) << TextViewText(recv);
    ClickButton(Widget(dialog, "cmdShowSetup"));
    EXPECT_EQ(EntryText(send), "S");
    EXPECT_TRUE(
        PumpUntil([&] { return SimEvents(kPort, "setup").size() == 1; }));
    EXPECT_TRUE(PumpUntil([&] {
      return TextViewText(recv).rfind("Quorvix-Sim setup menu", 0) == 0;
    })) << "txtRecv shows the setup answer alone: "
        << TextViewText(recv);
  }

  // Enter in txtSend presses cmdSend and leaves the focus there; Alt+S
  // presses it too; Enter on another button presses that one.
  void CheckKeys(GtkWindow* dialog) {
    gtk_widget_grab_focus(Widget(dialog, "txtSend"));
    TypeText(dialog, "c?");
    EXPECT_EQ(EntryText(Widget(dialog, "txtSend")), "c?")
        << "typing replaces the text the focus selected";
    const std::size_t handshakes = SimEvents(kPort, "handshake").size();
    PressKey(dialog, GDK_KEY_Return);
    EXPECT_TRUE(PumpUntil([&] {
      return SimEvents(kPort, "handshake").size() == handshakes + 1;
    })) << "Enter in txtSend sends its text";
    EXPECT_EQ(FocusedName(dialog), "txtSend");
    PressKey(dialog, GDK_KEY_s, GDK_MOD1_MASK);
    EXPECT_TRUE(PumpUntil([&] {
      return SimEvents(kPort, "handshake").size() == handshakes + 2;
    })) << "Alt+S sends again";
    gtk_widget_grab_focus(Widget(dialog, "cmdShowSetup"));
    PressKey(dialog, GDK_KEY_Return);
    EXPECT_TRUE(PumpUntil([&] {
      return SimEvents(kPort, "setup").size() == 2;
    })) << "Enter on another button presses that button";
    EXPECT_EQ(EntryText(Widget(dialog, "txtSend")), "S");
    EXPECT_TRUE(boxes_.Take().empty());
  }

  host::SimProcess* sim_ = nullptr;
};

TEST_F(GtkDialogLink, ChoicesConnectionTestAndTerminalWithBoxesOverTheDialog) {
  sim_ = &StartSim(kPort);
  // COM7 leads nowhere.
  std::filesystem::create_symlink(PortLink(7).parent_path() / "missing",
                                  PortLink(7));
  WriteSettings(kTitle, kFile, "ComPort=5\nComSettings=38400,n,8,1\n");
  ASSERT_EQ(Init(kTitle, kFile), 0) << plugin_->last_error();
  ASSERT_EQ(Enable(), 0) << plugin_->last_error();
  ASSERT_EQ(result_, -1) << "Enable returns True";
  ASSERT_EQ(sim_->Command("baud auto").rfind("ok", 0), 0U);
  const int rc = RunDialog([&](GtkWindow* dialog) {
    CheckBaudAndTest(dialog);
    CheckRefusedPort(dialog);
    CheckTerminalButtons(dialog);
    CheckKeys(dialog);
  });
  EXPECT_TRUE(scenario_ran_) << "no dialog appeared";
  EXPECT_EQ(rc, 0) << plugin_->last_error();
  ASSERT_EQ(Term(), 0) << plugin_->last_error();
  EXPECT_EQ(Setting(kTitle, "ComPort"), "5");
  EXPECT_EQ(Setting(kTitle, "ComSettings"), "38400,n,8,1");
}

}  // namespace
}  // namespace quorvix::test
