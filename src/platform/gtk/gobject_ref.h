#pragma once
// Small owners of GObject references and of toplevel windows.

#include <gtk/gtk.h>

#include "common/scoped_handle.h"

namespace quorvix::gtk {

template <typename T>
struct GObjectRefTraits {
  static T* Invalid() { return nullptr; }
  static void Free(T* object) { g_object_unref(object); }
};

// One reference to a GObject.
template <typename T>
using GObjectRef = common::ScopedHandle<GObjectRefTraits<T>>;

// A new reference that the caller already owns (not floating).
template <typename T>
GObjectRef<T> AdoptRef(T* object) {
  return GObjectRef<T>(object);
}

// A reference of its own to someone else's object; a floating reference is
// sunk instead.
template <typename T>
GObjectRef<T> SinkRef(T* object) {
  return GObjectRef<T>(object ? static_cast<T*>(g_object_ref_sink(object))
                              : nullptr);
}

// A toplevel window: GTK keeps toplevels alive until they are destroyed,
// so letting go means destroying it.
struct ToplevelTraits {
  static GtkWidget* Invalid() { return nullptr; }
  static void Free(GtkWidget* window) { gtk_widget_destroy(window); }
};
using OwnedWindow = common::ScopedHandle<ToplevelTraits>;

// A handler blocked for one scope: what the model writes must not come
// back as the user's doing.
class SignalBlocked {
 public:
  SignalBlocked(gpointer instance, gulong handler)
      : instance_(instance), handler_(handler) {
    if (handler_) g_signal_handler_block(instance_, handler_);
  }
  ~SignalBlocked() {
    if (handler_) g_signal_handler_unblock(instance_, handler_);
  }
  SignalBlocked(const SignalBlocked&) = delete;
  SignalBlocked& operator=(const SignalBlocked&) = delete;

 private:
  gpointer instance_;
  gulong handler_;
};

}  // namespace quorvix::gtk
