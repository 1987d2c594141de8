#include "platform/posix/glib_timer.h"

#include <memory>
#include <string>
#include <utility>

#include "platform/error.h"

namespace quorvix::posix {
namespace {

struct BeatSource {
  GSource base;  // first: GLib hands us this pointer
  std::int64_t start;
  std::int64_t interval;
};

using Tick = std::function<void()>;

gboolean RunTick(gpointer data) noexcept {
  (*static_cast<Tick*>(data))();
  return G_SOURCE_CONTINUE;
}

void FreeTick(gpointer data) {
  std::unique_ptr<Tick>(static_cast<Tick*>(data));
}

// The source stays ready (its ready time lies in the past) while the tick
// runs, but GLib does not dispatch a source again while it is being
// dispatched, so a pump inside the tick cannot start a nested tick. The next
// ready time is only set once the tick has returned: beats that passed
// meanwhile are skipped, never queued.
gboolean Dispatch(GSource* source, GSourceFunc callback, gpointer data) {
  if (callback == nullptr) return G_SOURCE_REMOVE;
  if (!callback(data)) return G_SOURCE_REMOVE;
  // The tick may have stopped its own timer; GLib keeps the source and the
  // callback data alive until this returns.
  if (g_source_is_destroyed(source)) return G_SOURCE_REMOVE;
  const auto* beat = reinterpret_cast<const BeatSource*>(source);
  g_source_set_ready_time(
      source, NextBeat(beat->start, beat->interval, g_get_monotonic_time()));
  return G_SOURCE_CONTINUE;
}

GSourceFuncs beat_funcs = {nullptr, nullptr, Dispatch,
                           nullptr, nullptr, nullptr};

}  // namespace

std::int64_t NextBeat(std::int64_t start, std::int64_t interval,
                      std::int64_t now) {
  if (now < start) return start + interval;
  return start + ((now - start) / interval + 1) * interval;
}

GlibTimer::GlibTimer(GMainContext* context, std::chrono::milliseconds interval,
                     std::function<void()> tick) {
  if (interval.count() <= 0) {
    throw Error(kInvalidArgument, "timer interval must be positive, not " +
                                      std::to_string(interval.count()) + " ms");
  }
  source_.reset(g_source_new(&beat_funcs, sizeof(BeatSource)));
  GSource* const source = source_.get();
  auto* beat = reinterpret_cast<BeatSource*>(source);
  beat->start = g_get_monotonic_time();
  beat->interval = interval.count() * 1000;
  g_source_set_name(source, "quorvix timer");
  // Owned by GLib from here: it frees the tick after the source is gone and
  // no dispatch is running, so a tick may stop its own timer.
  g_source_set_callback(source, RunTick,
                        std::make_unique<Tick>(std::move(tick)).release(),
                        FreeTick);
  g_source_set_ready_time(source, beat->start + beat->interval);
  g_source_attach(source, context);
}

}  // namespace quorvix::posix
