#pragma once
// The event loop over a GLib main context: receive notifications, timers
// and the host's own GLib sources all run when this context is iterated.

#include <glib.h>

#include "platform/event_loop.h"
#include "platform/posix/pinned_context.h"

namespace quorvix::posix {

class GlibEventLoop : public EventLoop {
 public:
  // A pump makes at most this many passes over the context. Each pass
  // dispatches every source that is ready at the highest ready priority;
  // further passes serve lower priorities and what the handlers themselves
  // set off. The cap ends the pump while a source is ready again at once,
  // as the receive source is while a transmitter floods the line.
  static constexpr int kMaxPasses = 8;

  // `context` must outlive the loop.
  explicit GlibEventLoop(const PinnedContext& context);
  ~GlibEventLoop() override;

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
  void Passes(int count);

  GMainContext* const context_;
  // One source that wakes a blocking iteration at a wait's deadline; kept
  // attached, since attaching a source per wait costs more than the wait.
  GSource* deadline_;
};

}  // namespace quorvix::posix
