#include "platform/posix/glib_event_loop.h"

#include <utility>

#include "platform/posix/glib_timer.h"

namespace quorvix {
namespace {

// Wakes a blocking iteration at its ready time and does nothing else.
gboolean Expire(GSource*, GSourceFunc, gpointer) { return G_SOURCE_REMOVE; }

GSourceFuncs deadline_funcs = {nullptr, nullptr, Expire,
                               nullptr, nullptr, nullptr};

}  // namespace

GlibEventLoop::GlibEventLoop(GMainContext* context)
    : context_(g_main_context_ref(
          context != nullptr ? context : g_main_context_default())) {}

GlibEventLoop::~GlibEventLoop() { g_main_context_unref(context_); }

void GlibEventLoop::Passes(int count) {
  for (int pass = 0; pass < count; ++pass) {
    if (!g_main_context_iteration(context_, FALSE)) return;
  }
}

void GlibEventLoop::PumpPending() { Passes(kMaxPasses); }

void GlibEventLoop::WaitAndPump(Clock::time_point deadline) {
  const auto remaining =
      std::chrono::ceil<std::chrono::microseconds>(deadline - Clock::now());
  if (remaining.count() <= 0) {
    PumpPending();
    return;
  }
  // Measured against GLib's own clock, so the two clocks need not agree.
  GSource* wake = g_source_new(&deadline_funcs, sizeof(GSource));
  g_source_set_name(wake, "quorvix deadline");
  g_source_set_ready_time(wake, g_get_monotonic_time() + remaining.count());
  g_source_attach(wake, context_);
  // A blocking iteration may also end on a bare wake-up of the context (one
  // is left over from attaching a source, for instance) having run nothing.
  while (!g_main_context_iteration(context_, TRUE) && Clock::now() < deadline) {
  }
  g_source_destroy(wake);
  g_source_unref(wake);
  Passes(kMaxPasses - 1);
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

}  // namespace quorvix
