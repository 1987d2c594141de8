#include "ui_choice.h"

#include <dlfcn.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace quorvix::capi {
namespace {

constexpr char kModuleFile[] = "libquorvix-gtk.so";

bool InProcess(const char* library) {
  void* const handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);  // only the reference NOLOAD added
  return true;
}

// The folder this library was loaded from, made absolute while loading:
// dladdr gives the very name the host passed to dlopen, which may be
// relative ("./libquorvix.so", a relative LD_LIBRARY_PATH entry), and a
// host that changes its working folder later (into a show folder, say) must
// not load a module planted there. Empty when it cannot be known.
std::filesystem::path FolderAtLoad() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&FolderAtLoad), &info) == 0 ||
      info.dli_fname == nullptr || *info.dli_fname == '\0') {
    return {};
  }
  std::error_code error;
  const std::filesystem::path library =
      std::filesystem::absolute(info.dli_fname, error);
  if (error || !library.is_absolute()) return {};
  return library.lexically_normal().parent_path();
}

// Dynamic initialisation runs inside the host's dlopen, in its working
// folder of that moment.
const std::filesystem::path kLoadedFrom = FolderAtLoad();

// The installed layout keeps the module out of the linker's path, in a
// folder of its own; it comes first so that a copy beside an installed
// library is never preferred.
std::filesystem::path ModulePath() {
  const std::filesystem::path installed = kLoadedFrom / "quorvix" / kModuleFile;
  std::error_code error;
  if (std::filesystem::is_regular_file(installed, error)) return installed;
  return kLoadedFrom / kModuleFile;
}

struct Wanted {
  UiWish wish;
  std::string source;  // who asked
};

Wanted WantedUi(UiWish host_wish) {
  if (host_wish == UiWish::kGtk) return {UiWish::kGtk, "qvx_set_ui"};
  if (host_wish == UiWish::kNone) return {UiWish::kNone, "qvx_set_ui"};
  const char* const variable = std::getenv("QUORVIX_UI");
  const std::string_view value = variable != nullptr ? variable : "";
  if (value == "gtk") return {UiWish::kGtk, "QUORVIX_UI=gtk"};
  if (value == "none") return {UiWish::kNone, "QUORVIX_UI=none"};
  return {UiWish::kAuto, ""};
}

}  // namespace

void UiChoice::Wish(UiWish wish) { wish_ = static_cast<int>(wish); }

UiModule* UiChoice::Gtk(GMainContext* pinned) {
  // Decided afresh at each need, which is cheap: a host may start GTK
  // later, close its display, or hand the default context to another
  // thread, and a GTK loop that nobody can end would hang it.
  std::string why;
  UiModule* const chosen = Decide(pinned, why);
  std::string line = chosen != nullptr ? "[Quorvix] UI: GTK 3 (" + why + ")"
                                        : "[Quorvix] UI: none, " + why;
  if (line != traced_) {
    Trace(line);
    traced_ = std::move(line);
  }
  return chosen;
}

UiModule* UiChoice::Decide(GMainContext* pinned, std::string& why) {
  const Wanted wanted = WantedUi(static_cast<UiWish>(wish_.load()));
  if (wanted.wish == UiWish::kNone) {
    why = "as " + wanted.source + " asks";
    return nullptr;
  }
  if (pinned != g_main_context_default()) {
    why =
        "since the driver runs on a GLib context other than the global "
        "default one, where GTK's events arrive";
    return nullptr;
  }
  // GTK is not thread-safe: the thread that runs the context must be ours.
  if (!g_main_context_acquire(pinned)) {
    why = "since another thread runs the global default GLib context";
    return nullptr;
  }
  g_main_context_release(pinned);
  const bool gtk2 = InProcess("libgtk-x11-2.0.so.0");
  if (gtk2 || InProcess("libgtk-4.so.1")) {
    why = std::string("since GTK ") + (gtk2 ? "2" : "4") +
          " is in the process and GTK 3 would abort beside it";
    return nullptr;
  }
  if (wanted.wish == UiWish::kAuto && !InProcess("libgtk-3.so.0")) {
    why =
        "since the host does not run GTK 3 (QUORVIX_UI=gtk or qvx_set_ui "
        "asks for it)";
    return nullptr;
  }
  UiModule* const module = Load(wanted.wish == UiWish::kAuto, why);
  if (module != nullptr) {
    why = wanted.wish == UiWish::kAuto ? "the host runs GTK 3"
                                       : "as " + wanted.source + " asks";
  }
  return module;
}

UiModule* UiChoice::Load(bool only_open_display, std::string& why) {
  if (module_) {
    if (const char* const unusable = module_->Unusable()) {
      why = std::string("since ") + unusable;
      return nullptr;
    }
    return module_.get();
  }
  if (!kLoadedFrom.is_absolute()) {
    why = std::string("since the folder libquorvix.so was loaded from is "
                      "unknown, so ") +
          kModuleFile + " is not looked for";
    return nullptr;
  }
  const std::filesystem::path path = ModulePath();
  // GTK cannot be unloaded: the module stays for the life of the process.
  void* const handle =
      dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle == nullptr) {
    const char* const error = dlerror();
    why = "since " + path.string() +
          " cannot be loaded: " + (error != nullptr ? error : "unknown error");
    return nullptr;
  }
  const auto factory =
      reinterpret_cast<UiModuleFactory>(dlsym(handle, kUiModuleFactory));
  if (factory == nullptr) {
    why = "since " + path.string() + " has no " + kUiModuleFactory;
    return nullptr;
  }
  std::array<char, 256> reason{};
  UiModuleRequest request;
  request.only_open_display = only_open_display;
  request.why = reason.data();
  request.why_size = reason.size();
  module_.reset(factory(&request));
  if (!module_) why = std::string("since ") + reason.data();
  return module_.get();
}

void UiChoice::Trace(const std::string& line) {
  if (trace_.Listening()) trace_.Write(line);
}

}  // namespace quorvix::capi
