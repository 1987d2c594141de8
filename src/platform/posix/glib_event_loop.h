#pragma once
// The event loop over a GLib main context: receive notifications, timers
// and the host's own GLib sources all run when this context is iterated.

#include <glib.h>

#include "platform/event_loop.h"
#include "platform/posix/glib_owners.h"
#include "platform/posix/pinned_context.h"

namespace quorvix::posix {

// A pump is one iteration of the context: it dispatches every source that
// is ready when it looks, of the highest priority among the ready ones, and
// nothing that the handlers set off, so it ends while a transmitter floods
// the line. The driver's own sources (the port, its timers) share the
// default priority, so for them this is exactly "every event already
// waiting". A host's source of a lower priority (an idle) that was waiting
// too runs at the next pump in which nothing of a higher one is ready:
// GLib dispatches one priority per iteration, and a second iteration would
// also run what the first set off.
class GlibEventLoop : public EventLoop {
 public:
  // `context` must outlive the loop.
  explicit GlibEventLoop(const PinnedContext& context);

  GlibEventLoop(const GlibEventLoop&) = delete;
  GlibEventLoop& operator=(const GlibEventLoop&) = delete;

  void PumpPending() override;
  void WaitAndPump(Clock::time_point deadline) override;
  Clock::time_point Now() const override;
  void Sleep(std::chrono::milliseconds duration) override;
  // The tick must not throw: nothing may unwind through GLib.
  std::unique_ptr<TimerSource> StartTimer(std::chrono::milliseconds interval,
                                          std::function<void()> tick) override;

 private:
  GMainContext* const context_;
  // One source that wakes a blocking iteration at a wait's deadline; kept
  // attached, since attaching a source per wait costs more than the wait.
  const AttachedSource deadline_;
};

}  // namespace quorvix::posix
