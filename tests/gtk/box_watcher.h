#pragma once
// Plays the user in front of the plug-in's message boxes: every box that
// shows up is recorded and its OK button clicked, from a source on the
// default context (it runs inside the box's own modal loop).

#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace quorvix::test {

struct SeenBox {
  std::string title;
  std::string text;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  GtkWindow* parent = nullptr;  // compare only; it may be gone
  bool modal = false;
};

class BoxWatcher {
 public:
  BoxWatcher();
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  // The boxes seen since the last call, oldest first.
  std::vector<SeenBox> Take();

 private:
  static gboolean Tick(gpointer self);
  void Answer(GtkMessageDialog* box);

  guint source_ = 0;
  std::vector<SeenBox> seen_;
};

}  // namespace quorvix::test
