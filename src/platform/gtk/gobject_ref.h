#pragma once
// Small owners of GObject references and of toplevel windows.

#include <gtk/gtk.h>

#include <utility>

namespace quorvix::gtk {

// One reference to a GObject; a floating reference is sunk on taking.
template <typename T>
class GObjectRef {
 public:
  GObjectRef() = default;
  explicit GObjectRef(T* object)
      : object_(object ? static_cast<T*>(g_object_ref_sink(object)) : nullptr) {
  }
  ~GObjectRef() {
    if (object_) g_object_unref(object_);
  }
  GObjectRef(GObjectRef&& other) noexcept
      : object_(std::exchange(other.object_, nullptr)) {}
  GObjectRef& operator=(GObjectRef&& other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  GObjectRef(const GObjectRef&) = delete;
  GObjectRef& operator=(const GObjectRef&) = delete;

  T* get() const { return object_; }

 private:
  T* object_ = nullptr;
};

// A new reference that the caller already owns (not floating).
template <typename T>
GObjectRef<T> AdoptRef(T* object) {
  GObjectRef<T> ref(object);  // adds one
  if (object) g_object_unref(object);
  return ref;
}

// A toplevel window: GTK keeps toplevels alive until they are destroyed,
// so letting go means destroying it.
class OwnedWindow {
 public:
  explicit OwnedWindow(GtkWidget* window) : window_(window) {}
  ~OwnedWindow() {
    if (window_) gtk_widget_destroy(window_);
  }
  OwnedWindow(const OwnedWindow&) = delete;
  OwnedWindow& operator=(const OwnedWindow&) = delete;

  GtkWidget* get() const { return window_; }
  GtkWindow* window() const { return GTK_WINDOW(window_); }

 private:
  GtkWidget* window_;
};

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
