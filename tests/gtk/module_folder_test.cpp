// A host that loads the plug-in by a relative name and later changes its
// working folder (into an unpacked show, say) must never load a GTK module
// planted there: only the one in the library's private folder quorvix/ (as
// installed) or, without that, the one beside the library as it was loaded.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/temp_folder.h"
#include "quorvix.h"
#include "tools/plugin/plugin_library.h"

namespace quorvix::test {
namespace {

namespace fs = std::filesystem;

void Collect(void* context, const char* line) {
  static_cast<std::vector<std::string>*>(context)->emplace_back(line);
}
void IgnoreBox(void*, int, const char*, const char*) {}

// Loads plugin/libquorvix.so as "./libquorvix.so", moves into plugin/show
// and asks for the dialog: the trace lines of that.
std::vector<std::string> ConfigureFromShowFolder(
    const common::TempFolder& folder) {
  const fs::path plugin = folder / "plugin";
  setenv("QUORVIX_PLANTED_MARKER", (folder / "planted-module-ran").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
  // Without a display the real module refuses, saying why: that is how it
  // shows that it ran.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  const fs::path start = fs::current_path();

  fs::current_path(plugin);
  host::PluginLibrary library("./libquorvix.so");
  fs::current_path(plugin / "show");
  std::vector<std::string> trace;
  library.set_trace(&Collect, &trace);
  library.set_message_box(&IgnoreBox, nullptr);
  EXPECT_EQ(library.set_ui(QVX_UI_GTK), 0);
  qvx_driver* const driver = library.create();
  EXPECT_NE(driver, nullptr);
  if (driver != nullptr) {
    qvx_bool result = 0;
    EXPECT_EQ(library.Init(driver, "Show", "q.so", nullptr, &result), 0);
    EXPECT_EQ(library.Configure(driver, &result), 0) << library.last_error();
    library.destroy(driver);
  }
  fs::current_path(start);
  return trace;
}

constexpr char kRealModuleRefused[] =
    "[Quorvix] UI: none, since GTK 3 cannot open the display (DISPLAY is not "
    "set)";

TEST(GtkModuleFolder, APlantedModuleInTheLaterWorkingFolderNeverRuns) {
  const common::TempFolder folder("quorvix-module-folder");
  const fs::path plugin = folder / "plugin";
  fs::create_directories(plugin / "show" / "quorvix");
  fs::copy_file(QUORVIX_LIBRARY, plugin / "libquorvix.so");
  fs::copy_file(QUORVIX_GTK_MODULE, plugin / "libquorvix-gtk.so");
  fs::copy_file(PLANTED_MODULE, plugin / "show" / "libquorvix-gtk.so");
  fs::copy_file(PLANTED_MODULE,
                plugin / "show" / "quorvix" / "libquorvix-gtk.so");

  const std::vector<std::string> trace = ConfigureFromShowFolder(folder);

  EXPECT_FALSE(fs::exists(folder / "planted-module-ran"))
      << "the planted module was loaded";
  EXPECT_THAT(trace, ::testing::Contains(kRealModuleRefused));
}

TEST(GtkModuleFolder, TheInstalledPrivateFolderComesBeforeTheLibrarysOwn) {
  const common::TempFolder folder("quorvix-module-folder");
  const fs::path plugin = folder / "plugin";
  fs::create_directories(plugin / "quorvix");
  fs::create_directories(plugin / "show" / "quorvix");
  fs::copy_file(QUORVIX_LIBRARY, plugin / "libquorvix.so");
  fs::copy_file(QUORVIX_GTK_MODULE, plugin / "quorvix" / "libquorvix-gtk.so");
  fs::copy_file(PLANTED_MODULE, plugin / "libquorvix-gtk.so");
  fs::copy_file(PLANTED_MODULE,
                plugin / "show" / "quorvix" / "libquorvix-gtk.so");

  const std::vector<std::string> trace = ConfigureFromShowFolder(folder);

  EXPECT_FALSE(fs::exists(folder / "planted-module-ran"))
      << "a module other than the one in quorvix/ was loaded";
  EXPECT_THAT(trace, ::testing::Contains(kRealModuleRefused));
}

}  // namespace
}  // namespace quorvix::test
