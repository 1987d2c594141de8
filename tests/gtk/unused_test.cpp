// A host without GTK (a command-line host, a service): the plug-in shows no
// window and never waits for a click unless asked, refuses GTK where it
// cannot work, and says why in one trace line. The host's message sink
// always gets the boxes.

#include <dlfcn.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "plugin_fixture.h"

namespace quorvix::test {
namespace {

constexpr char kTitle[] = "PlainHost";
constexpr char kFile[] = "libquorvix.so";

bool Loaded(const char* library) {
  void* const handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle != nullptr;
}

// What the calls in between write to standard error.
class StderrCapture {
 public:
  StderrCapture() : file_(std::tmpfile()), saved_(dup(STDERR_FILENO)) {
    std::fflush(stderr);
    dup2(fileno(file_), STDERR_FILENO);
  }
  ~StderrCapture() {
    Restore();
    std::fclose(file_);
  }
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  std::string Text() {
    Restore();
    std::string text;
    std::rewind(file_);
    for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) {
      text += static_cast<char>(c);
    }
    return text;
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    saved_ = -1;
  }

  std::FILE* file_;
  int saved_;
};

class GtkUnused : public PluginFixture {
 protected:
  void SetUp() override {
    unsetenv("QUORVIX_UI");
    PluginFixture::SetUp();
    set_ui_ = plugin_->set_ui;
  }

  void InitWithMissingPort() {
    std::filesystem::create_symlink(PortLink(7).parent_path() / "missing",
                                    PortLink(7));
    WriteSettings(kTitle, kFile, "ComPort=7\n");
    ASSERT_EQ(Init(kTitle, kFile), 0) << plugin_->last_error();
  }

  int Configure() { return plugin_->Configure(driver_, &result_); }

  bool HasTrace(const std::string& line) const { return CountTrace(line) > 0; }

  decltype(&qvx_set_ui) set_ui_ = nullptr;
};

TEST_F(GtkUnused, CommandLineHostWithDisplayGetsNoWindowAndNoWait) {
  ASSERT_NE(getenv("DISPLAY"), nullptr) << "run with a display";
  InitWithMissingPort();
  plugin_->set_message_box(nullptr, nullptr);
  EXPECT_EQ(Configure(), 0);
  EXPECT_EQ(result_, 0);
  EXPECT_TRUE(HasTrace(
      "[Quorvix] UI: none, since the host does not run GTK 3 (QUORVIX_UI=gtk "
      "or qvx_set_ui asks for it)"));
  StderrCapture captured;
  ASSERT_EQ(Enable(), 0) << plugin_->last_error();
  EXPECT_EQ(captured.Text(),
            "Quorvix Transmitter Driver: Fehler beim Öffnen des COM-Ports!\n");
  EXPECT_FALSE(Loaded("libgtk-3.so.0")) << "GTK was loaded";
  EXPECT_FALSE(Loaded("libquorvix-gtk.so")) << "the GTK module was loaded";

  setenv("QUORVIX_UI", "none", 1);
  ASSERT_EQ(set_ui_(QVX_UI_AUTO), 0);
  EXPECT_EQ(Configure(), 0);
  EXPECT_TRUE(HasTrace("[Quorvix] UI: none, as QUORVIX_UI=none asks"));
  EXPECT_EQ(set_ui_(7), 5);
  EXPECT_NE(std::string(plugin_->last_error()).find("qvx_set_ui: 7"),
            std::string::npos)
      << plugin_->last_error();
}

TEST_F(GtkUnused, RefusedBesideOtherGtkVersions) {
  InitWithMissingPort();
  for (const auto& [path, version] :
       {std::pair{FAKE_GTK2, "2"}, std::pair{FAKE_GTK4, "4"}}) {
    void* const other = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(other, nullptr) << dlerror();
    ASSERT_EQ(set_ui_(QVX_UI_GTK), 0);
    EXPECT_EQ(Configure(), 0);
    EXPECT_TRUE(HasTrace(std::string("[Quorvix] UI: none, since GTK ") +
                         version +
                         " is in the process and GTK 3 would abort beside it"))
        << "GTK " << version;
    dlclose(other);
  }
  EXPECT_FALSE(Loaded("libgtk-3.so.0")) << "GTK 3 was loaded beside another";
}

TEST_F(GtkUnused, RefusedWithoutDisplay) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  InitWithMissingPort();
  ASSERT_EQ(set_ui_(QVX_UI_GTK), 0);
  plugin_->set_message_box(nullptr, nullptr);
  EXPECT_EQ(Configure(), 0);
  const std::string refused =
      "[Quorvix] UI: none, since GTK 3 cannot open the display (DISPLAY is "
      "not set)";
  EXPECT_EQ(CountTrace(refused), 1U);
  StderrCapture captured;
  ASSERT_EQ(Enable(), 0) << plugin_->last_error();
  EXPECT_EQ(captured.Text(),
            "Quorvix Transmitter Driver: Fehler beim Öffnen des COM-Ports!\n")
      << "asked again for the box: a second try, quietly";
  EXPECT_EQ(CountTrace(refused), 1U) << "the same reason is traced once";
}

TEST_F(GtkUnused, HostSinkGetsTheBoxesAndNothingIsLoaded) {
  InitWithMissingPort();
  ASSERT_EQ(set_ui_(QVX_UI_GTK), 0);
  ASSERT_EQ(Enable(), 0) << plugin_->last_error();
  ASSERT_EQ(messages_.size(), 1U);
  EXPECT_EQ(messages_[0].text, "Fehler beim Öffnen des COM-Ports!");
  EXPECT_TRUE(messages_[0].is_error);
  EXPECT_FALSE(Loaded("libgtk-3.so.0")) << "a box the host takes needs no GTK";
  for (const std::string& line : trace_) {
    EXPECT_EQ(line.rfind("[Quorvix] UI:", 0), std::string::npos) << line;
  }
}

TEST_F(GtkUnused, RefusedWhileAnotherThreadRunsTheDefaultContext) {
  InitWithMissingPort();
  GMainLoop* const loop = g_main_loop_new(nullptr, FALSE);
  std::thread runner([loop] { g_main_loop_run(loop); });
  while (!g_main_loop_is_running(loop)) std::this_thread::yield();
  ASSERT_EQ(set_ui_(QVX_UI_GTK), 0);
  const int rc = Configure();
  g_main_loop_quit(loop);
  runner.join();
  g_main_loop_unref(loop);
  EXPECT_EQ(rc, 0);
  EXPECT_TRUE(HasTrace(
      "[Quorvix] UI: none, since another thread runs the global default GLib "
      "context"));
  EXPECT_FALSE(Loaded("libgtk-3.so.0"));
}

// The driver pinned to a context of the host's own: GTK's events would
// never reach it.
class GtkUnusedOnOwnContext : public GtkUnused {
 protected:
  void SetUp() override {
    context_ = g_main_context_new();
    g_main_context_push_thread_default(context_);
    GtkUnused::SetUp();
  }
  void TearDown() override {
    GtkUnused::TearDown();
    g_main_context_pop_thread_default(context_);
    g_main_context_unref(context_);
  }
  GMainContext* context_ = nullptr;
};

TEST_F(GtkUnusedOnOwnContext, RefusedOnAnotherContext) {
  InitWithMissingPort();
  ASSERT_EQ(set_ui_(QVX_UI_GTK), 0);
  EXPECT_EQ(Configure(), 0);
  EXPECT_TRUE(HasTrace(
      "[Quorvix] UI: none, since the driver runs on a GLib context other than "
      "the global default one, where GTK's events arrive"));
  EXPECT_FALSE(Loaded("libgtk-3.so.0"));
}

}  // namespace
}  // namespace quorvix::test
