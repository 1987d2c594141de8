#pragma once
// One tick of the DMX-In poll timer: ask the transmitter for the first
// DMXInChannels input values and report each changed one to the host.
//
// Unlike a bare pass counter, the waits are bounded in time too (one second
// each) and the reply wait sleeps in the event loop, so a reply has time to
// cross a real line and the host's thread stays idle meanwhile.

#include <chrono>
#include <cstdint>
#include <string_view>

#include "link/frmMain.h"

namespace quorvix {

class DMXInPoller {
 public:
  static constexpr std::string_view kHostMethod = "Trova_DMXIn_SetChannel";
  static constexpr int kMaxWaitPasses = 10000;
  static constexpr std::chrono::seconds kDrainBound{1};
  static constexpr std::chrono::seconds kReplyBound{1};

  explicit DMXInPoller(frmMain& window) : window_(window) {}

  // The handler of timCheckDMXIn. A tick that falls due while another one
  // or a handshake waits is skipped.
  void timCheckDMXIn_Timer();

 private:
  void RunTick();
  // False when the line kept talking for the whole bound.
  bool Drain();
  void WaitForReply(std::size_t wanted);
  void Report(std::string_view values);

  frmMain& window_;
  bool ticking_ = false;
};

}  // namespace quorvix
