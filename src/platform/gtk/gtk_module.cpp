// libquorvix-gtk.so: the dialog and the message boxes in GTK 3, created
// through one C function so that libquorvix.so never links GTK.

#include <gtk/gtk.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/gtk/dialog_window.h"
#include "platform/gtk/message_dialogs.h"
#include "platform/ui_module.h"

namespace quorvix::gtk {
namespace {

class DialogWindows final : public DialogViews {
 public:
  std::unique_ptr<DialogView> Create(const DialogLayout& layout,
                                     DialogEvents& events) override {
    return std::make_unique<DialogWindow>(layout, events);
  }
};

class GtkUiModule final : public UiModule {
 public:
  DialogViews& dialogs() override { return dialogs_; }
  MessageBoxes& messages() override { return messages_; }
  const char* Unusable() const override {
    GdkDisplay* const display = gdk_display_get_default();
    if (display == nullptr || gdk_display_is_closed(display)) {
      return "the display GTK 3 used is closed";
    }
    return nullptr;
  }

 private:
  DialogWindows dialogs_;
  MessageDialogs messages_;
};

UiModule* Refuse(UiModuleRequest& request, std::string_view why) {
  if (request.why != nullptr && request.why_size > 0) {
    const std::size_t length = std::min(why.size(), request.why_size - 1);
    std::copy_n(why.data(), length, request.why);
    request.why[length] = '\0';
  }
  return nullptr;
}

// Once, before GTK's first initialisation (a later call only warns): the
// host's locale is the host's.
void LeaveLocaleAlone() {
  static bool done = false;
  if (!done) gtk_disable_setlocale();
  done = true;
}

// GTK is usable when a display is open; it is opened here only when the
// host asked for GTK, and then without touching the host's locale.
UiModule* Create(UiModuleRequest& request) {
  if (gdk_display_get_default() == nullptr) {
    if (request.only_open_display) {
      return Refuse(request, "GTK 3 is in the process but no display is open");
    }
    LeaveLocaleAlone();
    if (!gtk_init_check(nullptr, nullptr)) {
      const char* const display = std::getenv("DISPLAY");
      return Refuse(request, std::string("GTK 3 cannot open the display ") +
                                 (display != nullptr && *display != '\0'
                                      ? std::string("\"") + display + "\""
                                      : std::string("(DISPLAY is not set)")));
    }
  }
  return std::make_unique<GtkUiModule>().release();
}

}  // namespace
}  // namespace quorvix::gtk

extern "C" __attribute__((visibility("default"))) quorvix::UiModule*
quorvix_ui_module_create(quorvix::UiModuleRequest* request) {
  quorvix::UiModuleRequest ignored;
  try {
    return quorvix::gtk::Create(request != nullptr ? *request : ignored);
  } catch (const std::exception& error) {
    return quorvix::gtk::Refuse(request != nullptr ? *request : ignored,
                                error.what());
  } catch (...) {
    return nullptr;
  }
}
