// The GLib loop keeps the event loops' contract, on a context of its own.
#include <glib.h>

#include <memory>

#include "contract/event_loop_contract.h"
#include "platform/posix/glib_event_loop.h"

namespace quorvix::test {
namespace {

// Events arrive as the driver's own do: a source on the context, ready at
// once, at the default priority.
class GlibLoopHarness {
 public:
  GlibLoopHarness()
      : context_(g_main_context_new()), pinned_(context_), loop_(pinned_) {}
  ~GlibLoopHarness() { g_main_context_unref(context_); }

  EventLoop& loop() { return loop_; }

  void Post(std::function<void()> event) {
    GSource* const source = g_timeout_source_new(0);
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_callback(
        source, &GlibLoopHarness::Run,
        std::make_unique<std::function<void()>>(std::move(event)).release(),
        &GlibLoopHarness::Free);
    g_source_attach(source, context_);
    g_source_unref(source);
  }

 private:
  static gboolean Run(gpointer event) {
    (*static_cast<std::function<void()>*>(event))();
    return G_SOURCE_REMOVE;
  }
  static void Free(gpointer event) {
    delete static_cast<std::function<void()>*>(event);
  }

  GMainContext* context_;
  posix::PinnedContext pinned_;
  posix::GlibEventLoop loop_;
};

}  // namespace
}  // namespace quorvix::test

namespace quorvix::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Glib, EventLoopContract,
                               ::testing::Types<test::GlibLoopHarness>);
}  // namespace quorvix::contract
