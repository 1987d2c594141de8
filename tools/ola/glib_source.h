#pragma once
// Owns one GLib source id of the thread-default context: removed when
// replaced or destroyed, so no callback can reach an object that is gone.

#include <glib.h>

#include "common/scoped_handle.h"

namespace quorvix::ola_bridge {

struct GlibSourceTraits {
  static guint Invalid() { return 0; }
  static void Free(guint id) { g_source_remove(id); }
};

using GlibSource = common::ScopedHandle<GlibSourceTraits>;

// The source's callback is returning G_SOURCE_REMOVE: GLib removes it.
inline void Forget(GlibSource& source) { static_cast<void>(source.release()); }

}  // namespace quorvix::ola_bridge
