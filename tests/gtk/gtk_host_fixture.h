#pragma once
// A host that runs GTK 3 and loads the plug-in with dlopen: its own window,
// the plug-in's message boxes left to the plug-in (a watcher plays the user
// in front of them), and the dialog driven from a timeout on the default
// context while Configure runs its modal loop.

#include <gtk/gtk.h>
#include <stdlib.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "box_watcher.h"
#include "plugin_fixture.h"
#include "tools/sim/event_log_reader.h"
#include "widget_probe.h"

namespace quorvix::test {

inline constexpr char kDialogTitle[] = "Konfiguration";
inline constexpr char kBoxTitle[] = "Quorvix Transmitter Driver";
inline constexpr char kM1[] = "Fehler beim Öffnen des COM-Ports!";
inline constexpr char kM2[] = "DMX-Transmitter nicht funktionsbereit!";
inline constexpr char kM3[] = "DMX-Transmitter funktionsbereit!";
inline constexpr char kM4[] =
    "Achtung:\n"
    "Die Übertragung zum DMX-Transmitter läuft mit weniger als 38 400 Baud.\n"
    "Dies kann zu ungenauen Fade-Zeiten führen.";
inline constexpr char kPortNotOpen[] = "COM-Port ist nicht geöffnet!";

class PluginHostFixture : public PluginFixture {
 protected:
  // Opens the dialog through qvx_Configure and runs `scenario` inside its
  // modal loop once the dialog is mapped; then closes the dialog the way
  // the window manager's close does, if it is still open. Returns
  // Configure's error number; whether the scenario ran lands in
  // scenario_ran_.
  int RunDialog(const std::function<void(GtkWindow* dialog)>& scenario) {
    struct Run {
      const std::function<void(GtkWindow*)>& scenario;
      bool fired = false;
      bool ran = false;
    } run{scenario};
    const guint source = g_timeout_add(
        10,
        [](gpointer data) -> gboolean {
          auto* const run = static_cast<Run*>(data);
          run->fired = true;
          GtkWindow* dialog = nullptr;
          const bool open = PumpUntil([&] {
            dialog = FindWindow(kDialogTitle);
            return dialog != nullptr &&
                   gtk_widget_get_mapped(GTK_WIDGET(dialog));
          });
          if (open) {
            run->scenario(dialog);
            run->ran = true;
            if (FindWindow(kDialogTitle) == dialog) gtk_window_close(dialog);
          }
          return G_SOURCE_REMOVE;
        },
        &run);
    const int rc = plugin_->Configure(driver_, &result_);
    if (!run.fired) g_source_remove(source);
    scenario_ran_ = run.ran;
    return rc;
  }

  // What qvx_LineStatus says now.
  qvx_line_status LineStatus() {
    qvx_line_status status{};
    EXPECT_EQ(plugin_->LineStatus(driver_, &status), 0)
        << plugin_->last_error();
    return status;
  }

  // The events "<time> <event> <details>" of the simulator's log: the
  // details of each line of that event.
  std::vector<std::string> SimEvents(int port, const std::string& event) const {
    return sim::EventDetails(sim::ReadSimEventLog(SimLog(port)), event);
  }

  // The value of `key` in the settings file of `title`, "" when missing.
  std::string Setting(const std::string& title, const std::string& key) const {
    std::istringstream file(ReadFile(SettingsFile(title)));
    std::string line;
    while (std::getline(file, line)) {
      if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    }
    return "";
  }

  bool HasTrace(const std::string& line) const { return CountTrace(line) > 0; }

  bool scenario_ran_ = false;
};

// The host runs GTK: a display is open and the host shows a window of its
// own before the plug-in is loaded.
class GtkHostFixture : public PluginHostFixture {
 protected:
  void SetUp() override {
    // Used because the host runs GTK, not because anyone asked.
    unsetenv("QUORVIX_UI");
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "no X display";
    host_window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(host_window_), "Host");
    gtk_window_set_default_size(GTK_WINDOW(host_window_), 300, 200);
    gtk_widget_show_all(host_window_);
    PluginHostFixture::SetUp();
    // The plug-in's own boxes, in GTK, for the watcher to answer.
    plugin_->set_message_box(nullptr, nullptr);
  }

  void TearDown() override {
    PluginHostFixture::TearDown();
    if (host_window_ != nullptr) gtk_widget_destroy(host_window_);
  }

  // Gives the host's window the X focus, as a user's click would.
  bool ActivateHostWindow() {
    GtkWindow* const window = GTK_WINDOW(host_window_);
    return WaitMapped(window) &&
           XDoTool("windowfocus --sync " + XWindowId(window)) &&
           PumpUntil([&] { return gtk_window_is_active(window) != 0; });
  }

  GtkWidget* host_window_ = nullptr;
  BoxWatcher boxes_;
};

}  // namespace quorvix::test
