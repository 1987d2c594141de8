// A host that has GTK 3 in the process but never opened a display: asked
// for, the plug-in opens the display itself without touching the host's
// locale; unasked, it stays without a window.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <filesystem>
#include <string>
#include <thread>

#include "gtk_host_fixture.h"

namespace quorvix::test {
namespace {

constexpr char kTitle[] = "IdleGtkHost";
constexpr char kFile[] = "libquorvix.so";

class GtkChoice : public PluginHostFixture {
 protected:
  // COM7 leads nowhere, so Enable shows M1.
  void InitWithMissingPort() {
    std::filesystem::create_symlink(PortLink(7).parent_path() / "missing",
                                    PortLink(7));
    WriteSettings(kTitle, kFile, "ComPort=7\n");
    ASSERT_EQ(Init(kTitle, kFile), 0) << plugin_->last_error();
  }

  BoxWatcher boxes_;
};

TEST_F(GtkChoice, AskedForOpensTheDisplayAndLeavesTheLocale) {
  setenv("LC_ALL", "C.UTF-8", 1);
  ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  setenv("QUORVIX_UI", "gtk", 1);
  plugin_->set_message_box(nullptr, nullptr);
  ASSERT_EQ(gdk_display_get_default(), nullptr);
  InitWithMissingPort();
  std::string caption;
  const int rc = RunDialog([&](GtkWindow* dialog) {
    caption = gtk_button_get_label(
        GTK_BUTTON(FindWidget(GTK_WIDGET(dialog), "cmdSend")));
  });
  EXPECT_TRUE(scenario_ran_) << "no dialog appeared";
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(caption, "_Senden");
  EXPECT_TRUE(HasTrace("[Quorvix] UI: GTK 3 (as QUORVIX_UI=gtk asks)"));
  EXPECT_NE(gdk_display_get_default(), nullptr);
  EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C")
      << "opening GTK set the locale from the environment";
  ASSERT_EQ(Enable(), 0) << plugin_->last_error();
  const std::vector<SeenBox> seen = boxes_.Take();
  ASSERT_EQ(seen.size(), 1U) << "Enable's M1 as a GTK box that waited";
  EXPECT_EQ(seen[0].text, kM1);
  EXPECT_EQ(seen[0].type, GTK_MESSAGE_ERROR);
  EXPECT_EQ(seen[0].title, kBoxTitle);

  // Chosen once is not chosen for good: another thread that now runs the
  // default context, or a display that went, is seen at the next box.
  GMainLoop* const loop = g_main_loop_new(nullptr, FALSE);
  std::thread runner([loop] { g_main_loop_run(loop); });
  while (!g_main_loop_is_running(loop)) std::this_thread::yield();
  EXPECT_EQ(Enable(), 0) << plugin_->last_error();
  g_main_loop_quit(loop);
  runner.join();
  g_main_loop_unref(loop);
  EXPECT_TRUE(HasTrace(
      "[Quorvix] UI: none, since another thread runs the global default GLib "
      "context"));
  gdk_display_close(gdk_display_get_default());
  EXPECT_EQ(Enable(), 0) << plugin_->last_error();
  EXPECT_TRUE(HasTrace("[Quorvix] UI: none, since the display GTK 3 used is closed"));
  EXPECT_TRUE(boxes_.Take().empty()) << "a GTK box where none can work";
  unsetenv("QUORVIX_UI");
}

TEST_F(GtkChoice, IdleGtkWithoutDisplayStaysWithoutWindowUntilTheHostOpensIt) {
  unsetenv("QUORVIX_UI");
  InitWithMissingPort();
  EXPECT_EQ(RunDialog([](GtkWindow*) {}), 0);
  EXPECT_FALSE(scenario_ran_) << "a dialog appeared";
  const std::string refused =
      "[Quorvix] UI: none, since GTK 3 is in the process but no display is "
      "open";
  EXPECT_EQ(CountTrace(refused), 1U);
  EXPECT_EQ(gdk_display_get_default(), nullptr) << "the plug-in opened GTK";
  ASSERT_EQ(Enable(), 0) << plugin_->last_error();
  ASSERT_EQ(messages_.size(), 1U) << "the host's sink got M1";
  EXPECT_EQ(messages_[0].text, kM1);
  EXPECT_EQ(RunDialog([](GtkWindow*) {}), 0);
  EXPECT_FALSE(scenario_ran_);
  EXPECT_EQ(CountTrace(refused), 1U) << "the same reason is traced once";

  ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
  EXPECT_EQ(RunDialog([](GtkWindow*) {}), 0);
  EXPECT_TRUE(scenario_ran_) << "no dialog once the host runs GTK";
  EXPECT_TRUE(HasTrace("[Quorvix] UI: GTK 3 (the host runs GTK 3)"));
}

}  // namespace
}  // namespace quorvix::test
