#include "platform/posix/glib_event_loop.h"

#include <utility>

#include "platform/posix/glib_timer.h"

namespace quorvix::posix {
namespace {

// Wakes a blocking iteration at its ready time and does nothing else.
gboolean Expire(GSource* source, GSourceFunc, gpointer) {
  g_source_set_ready_time(source, -1);
  return G_SOURCE_CONTINUE;
}

GSourceFuncs deadline_funcs = {nullptr, nullptr, Expire,
                               nullptr, nullptr, nullptr};

}  // namespace

GlibEventLoop::GlibEventLoop(const PinnedContext& context)
    : context_(context.get()),
      deadline_(g_source_new(&deadline_funcs, sizeof(GSource))) {
  g_source_set_name(deadline_.get(), "quorvix deadline");
  g_source_attach(deadline_.get(), context_);
}

void GlibEventLoop::PumpPending() { g_main_context_iteration(context_, FALSE); }

void GlibEventLoop::WaitAndPump(Clock::time_point deadline) {
  const auto remaining =
      std::chrono::ceil<std::chrono::microseconds>(deadline - Clock::now());
  if (remaining.count() <= 0) {
    PumpPending();
    return;
  }
  // Measured against GLib's own clock, so the two clocks need not agree. A
  // wait nested inside a handler puts the outer wait's deadline back after.
  const gint64 outer_ready_time = g_source_get_ready_time(deadline_.get());
  g_source_set_ready_time(deadline_.get(),
                          g_get_monotonic_time() + remaining.count());
  // A blocking iteration may also end on a bare wake-up of the context
  // having run nothing, or on the deadline source alone.
  while (!g_main_context_iteration(context_, TRUE) && Clock::now() < deadline) {
  }
  g_source_set_ready_time(deadline_.get(), outer_ready_time);
}

Clock::time_point GlibEventLoop::Now() const { return Clock::now(); }

void GlibEventLoop::Sleep(std::chrono::milliseconds duration) {
  if (duration.count() > 0)
    g_usleep(static_cast<gulong>(duration.count()) * 1000);
}

std::unique_ptr<TimerSource> GlibEventLoop::StartTimer(
    std::chrono::milliseconds interval, std::function<void()> tick) {
  return std::make_unique<GlibTimer>(context_, interval, std::move(tick));
}

}  // namespace quorvix::posix
