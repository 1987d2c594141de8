#pragma once
// A periodic GLib source that keeps its beat: ticks fall due at
// start + k * interval, whatever the ticks themselves cost.

#include <glib.h>

#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/event_loop.h"
#include "platform/posix/glib_owners.h"

namespace quorvix::posix {

// The first beat strictly after `now` (all in microseconds of one clock).
std::int64_t NextBeat(std::int64_t start, std::int64_t interval,
                      std::int64_t now);

class GlibTimer : public TimerSource {
 public:
  // Attaches to `context` at once; the first tick falls due one interval
  // from now. `tick` must not throw: nothing may unwind through GLib.
  GlibTimer(GMainContext* context, std::chrono::milliseconds interval,
            std::function<void()> tick);

 private:
  AttachedSource source_;
};

}  // namespace quorvix::posix
