#pragma once
// Which dialog and message boxes the plug-in shows: GTK 3's, from
// libquorvix-gtk.so, or none (the headless dialog; the boxes go to the
// host's sink or standard error). Decided again at each need; a trace line
// says what was chosen and why, whenever that changes. The module is looked
// for only by absolute paths fixed while libquorvix.so was loaded: in the
// private folder quorvix/ below the library's folder (where it is installed),
// else beside the library (a build tree, an unpacked copy).
//
// GTK is used only where it can work: its events arrive on the global
// default main context, so the driver's pinned context must be that one,
// run by the driver's thread;
// GTK 2 or 4 in the process would make GTK 3 abort. Unasked, it is used
// only when the host runs GTK 3 with a display open, so a command-line host
// is never blocked by a box nobody will click.

#include <glib.h>

#include <atomic>
#include <memory>
#include <string>

#include "platform/trace_sink.h"
#include "platform/ui_module.h"

namespace quorvix::capi {

enum class UiWish { kAuto = 0, kGtk = 1, kNone = 2 };

class UiChoice {
 public:
  explicit UiChoice(TraceSink& trace) : trace_(trace) {}
  UiChoice(const UiChoice&) = delete;
  UiChoice& operator=(const UiChoice&) = delete;

  // From any thread; kAuto leaves it to QUORVIX_UI ("gtk", "none").
  void Wish(UiWish wish);

  // The GTK module when it is to be used for a driver pinned to `pinned`,
  // else null.
  UiModule* Gtk(GMainContext* pinned);

 private:
  UiModule* Decide(GMainContext* pinned, std::string& why);
  UiModule* Load(bool only_open_display, std::string& why);
  void Trace(const std::string& line);

  TraceSink& trace_;
  std::atomic<int> wish_{static_cast<int>(UiWish::kAuto)};
  std::string traced_;  // the last line traced: each says something new
  // Kept once made: the module stays loaded for good anyway.
  std::unique_ptr<UiModule> module_;
};

}  // namespace quorvix::capi
