#pragma once
// The GLib main context the POSIX back ends attach their sources to.

#include <glib.h>

#include "platform/posix/glib_owners.h"

namespace quorvix::posix {

// The one reference to the context, held while anything is attached to it;
// the back ends borrow it. A null context means the thread's default, as
// GLib libraries take it, so a host that pushed its own context gets the
// driver's events there.
class PinnedContext {
 public:
  explicit PinnedContext(GMainContext* context = nullptr)
      : context_(context != nullptr ? g_main_context_ref(context)
                                    : g_main_context_ref_thread_default()) {}

  GMainContext* get() const { return context_.get(); }

 private:
  ContextRef context_;
};

}  // namespace quorvix::posix
