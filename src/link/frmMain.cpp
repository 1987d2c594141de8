#include "link/frmMain.h"

#include <string>
#include <vector>

#include "link/frames.h"
#include "link/handler_guard.h"
#include "link/messages.h"
#include "link/scoped_flag.h"
#include "platform/error.h"
#include "platform/trace_line.h"

namespace quorvix {
namespace {

// Keeps the trace line of a flooded buffer readable and cheap.
constexpr std::size_t kTracedReceiveBytes = 4000;

constexpr int kHandshakePasses = 200;  // the counter may exceed this once
constexpr std::chrono::milliseconds kHandshakeSleep{10};

}  // namespace

frmMain::frmMain(Platform& platform_in, modMain& state_in)
    : platform(platform_in),
      state(state_in),
      comMain(platform_in, [this] { comMain_OnComm(); }),
      timCheckDMXIn(platform_in.events, kDefaultPollInterval,
                    [this] { timCheckDMXIn_Timer(); }) {
  comMain.SetOnDeviceBack([this] { ResendChannels(); });
}

void frmMain::SetPollHandler(std::function<void()> handler) {
  poll_handler_ = std::move(handler);
}

void frmMain::comMain_OnComm() {
  RunGuarded(platform.trace, "OnComm", [this] {
    Trace(platform.trace, "[Quorvix] OnComm: Begin");
    state.AppendReceived(comMain.Input());
    Trace(platform.trace, [this] {
      return "[Quorvix] OnComm: LastRecv is now " +
             state.LastRecv.substr(0, kTracedReceiveBytes);
    });
    Trace(platform.trace, "[Quorvix] OnComm: End");
  });
}

void frmMain::timCheckDMXIn_Timer() {
  if (!poll_handler_) return;
  RunGuarded(platform.trace, "timCheckDMXIn_Timer", poll_handler_);
}

// A transmitter powered through the adapter comes back with an empty
// universe.
void frmMain::ResendChannels() {
  const std::vector<std::string> frames = sent_channels.Frames();
  for (const std::string& frame : frames) comMain.Output(frame);
  Trace(platform.trace, [&] {
    return "[Quorvix] COM" + std::to_string(comMain.CommPort()) + ": resent " +
           std::to_string(frames.size()) + " channels";
  });
}

void OpenWithReport(frmMain& window) {
  try {
    window.comMain.SetPortOpen(true);
  } catch (const Error& error) {
    // M1 names no reason; whoever reads the trace gets it.
    Trace(window.platform.trace, [&] {
      return std::string("[Quorvix] Open failed: ") + error.what();
    });
    window.platform.messages.Show(MessageIcon::kError, kMessagePortOpenFailed);
  }
}

bool Handshake(frmMain& window) {
  const ScopedFlag waiting(window.handshake_waiting);

  window.state.LastRecv.clear();
  window.comMain.Output(kHandshakeQuery);
  int passes = 0;
  do {
    window.platform.events.PumpPending();
    window.platform.events.Sleep(kHandshakeSleep);
    ++passes;
  } while (passes <= kHandshakePasses && window.state.LastRecv.empty());
  return window.state.LastRecv == kHandshakeAnswer;
}

}  // namespace quorvix
