#include "dmxin/poll_cycle.h"

#include <exception>
#include <memory>
#include <string>

#include "link/frames.h"
#include "link/scoped_flag.h"
#include "platform/error.h"
#include "platform/trace_line.h"

namespace quorvix {

void DMXInPoller::timCheckDMXIn_Timer() {
  const modMain& state = window_.state;
  if (!state.DMXInActive || !state.TransmitterReady) return;
  if (ticking_ || window_.handshake_waiting) return;
  const ScopedFlag scope(ticking_);
  RunTick();
}

void DMXInPoller::RunTick() {
  modMain& state = window_.state;
  TraceSink& trace = window_.platform.trace;

  Trace(trace, "[Quorvix] Checking DMX-In...");
  // Leftover bytes would otherwise be taken for input values.
  if (!Drain()) return;
  state.LastRecv.clear();
  Trace(trace, "[Quorvix] Serial buffer empty, requesting channels...");

  const std::int32_t count = state.DMXInChannels;
  // A stored count the request cannot carry: nothing to ask, nothing to read.
  const bool sendable = count >= 0 && count <= 255;
  if (sendable) {
    window_.comMain.Output(DMXInRequest(static_cast<std::uint8_t>(count)));
    WaitForReply(static_cast<std::size_t>(count) + 1);
  }
  Trace(trace, "[Quorvix] Channels received");

  if (sendable &&
      state.LastRecv.size() >= static_cast<std::size_t>(count) + 1) {
    // A copy: a SetChannel made inside a report empties LastRecv.
    const std::string values = state.LastRecv.substr(0, count);
    Report(values);
  }
}

bool DMXInPoller::Drain() {
  EventLoop& events = window_.platform.events;
  const Clock::time_point deadline = events.Now() + kDrainBound;
  while (!window_.comMain.Input().empty()) {
    if (events.Now() >= deadline) return false;
    events.PumpPending();
  }
  return true;
}

void DMXInPoller::WaitForReply(std::size_t wanted) {
  EventLoop& events = window_.platform.events;
  const Clock::time_point deadline = events.Now() + kReplyBound;
  for (int passes = 0;
       passes < kMaxWaitPasses && window_.state.LastRecv.size() < wanted &&
       events.Now() < deadline;
       ++passes) {
    events.WaitAndPump(deadline);
  }
}

void DMXInPoller::Report(std::string_view values) {
  modMain& state = window_.state;
  for (std::size_t i = 1; i <= values.size(); ++i) {
    const auto value = static_cast<std::uint8_t>(values[i - 1]);
    state.DMXInCurrent[i] = value;
    if (value == state.DMXInPrevious[i]) continue;

    // Held locally: the host may call Term from inside the report.
    const std::shared_ptr<HostHelper> helper = state.PluginHelper;
    HostCallResult result;
    if (helper) {
      try {
        result = helper->Call(kHostMethod, static_cast<std::int32_t>(i), value);
      } catch (const std::exception& error) {
        result = {-1, error.what()};
      }
    }
    if (result.number != 0 && result.number != kNoSuchMethod) {
      // Not taken into DMXInPrevious: reported again at the next tick.
      Trace(window_.platform.trace, [&] {
        return "[Quorvix] " + std::string(kHostMethod) +
               " failed for channel " + std::to_string(i) + ": " +
               result.description;
      });
      continue;
    }
    state.DMXInPrevious[i] = value;
  }
}

}  // namespace quorvix
