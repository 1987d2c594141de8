#pragma once
// Owns one GLib source id of the thread-default context: removed when
// replaced or destroyed, so no callback can reach an object that is gone.

#include <glib.h>

#include <utility>

namespace quorvix::ola_bridge {

class GlibSource {
 public:
  GlibSource() = default;
  ~GlibSource() { Reset(); }
  GlibSource(const GlibSource&) = delete;
  GlibSource& operator=(const GlibSource&) = delete;

  void Reset(guint id = 0) {
    if (id_ != 0) g_source_remove(id_);
    id_ = id;
  }
  // The source's callback is returning G_SOURCE_REMOVE: GLib removes it.
  void Forget() { id_ = 0; }
  bool Active() const { return id_ != 0; }

 private:
  guint id_ = 0;
};

}  // namespace quorvix::ola_bridge
