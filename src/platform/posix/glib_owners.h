#pragma once
// Owners of the GLib objects the POSIX back ends hold.

#include <glib.h>

#include "common/scoped_handle.h"

namespace quorvix::posix {

// A source this back end created and attached: destroyed (so its callback
// never runs again) and its reference dropped.
struct AttachedSourceTraits {
  static GSource* Invalid() { return nullptr; }
  static void Free(GSource* source) {
    g_source_destroy(source);
    g_source_unref(source);
  }
};
using AttachedSource = common::ScopedHandle<AttachedSourceTraits>;

struct ContextRefTraits {
  static GMainContext* Invalid() { return nullptr; }
  static void Free(GMainContext* context) { g_main_context_unref(context); }
};
using ContextRef = common::ScopedHandle<ContextRefTraits>;

}  // namespace quorvix::posix
