#pragma once
// The hidden host window: owns the port `comMain` and the poll timer
// `timCheckDMXIn`, and collects received bytes into LastRecv.

#include <functional>

#include "link/comm_control.h"
#include "link/output_memory.h"
#include "link/timer.h"
#include "platform/platform.h"
#include "state/modMain.h"

namespace quorvix {

class frmMain {
 public:
  static constexpr std::string_view kCaption = "Quorvix Transmitter";
  // The poll timer's interval before Init, and the stored default.
  static constexpr std::uint16_t kDefaultPollInterval = 50;

  frmMain(Platform& platform, modMain& state);

  // What a tick of timCheckDMXIn runs (the poll cycle).
  void SetPollHandler(std::function<void()> handler);

  void comMain_OnComm();

  Platform& platform;
  modMain& state;
  CommControl comMain;
  Timer timCheckDMXIn;
  // What the transmitter is given again when its device comes back.
  OutputMemory sent_channels;
  // While a handshake waits, poll ticks stand aside: one would empty
  // LastRecv under the handshake and wait its own second for each pass.
  bool handshake_waiting = false;

 private:
  void timCheckDMXIn_Timer();
  void ResendChannels();

  std::function<void()> poll_handler_;
};

// Sets PortOpen to true; a failure shows M1 and is swallowed.
void OpenWithReport(frmMain& window);

// Sends "c?" and pumps for up to 201 passes of 10 ms; true only when
// LastRecv is then exactly "G".
bool Handshake(frmMain& window);

}  // namespace quorvix
