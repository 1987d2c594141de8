#include "stop_signals.h"

#include <array>

namespace quorvix::sim {
namespace {

volatile sig_atomic_t g_raised = 0;

void OnStop(int) { g_raised = 1; }

constexpr std::array kStopSignals{SIGINT, SIGTERM, SIGHUP};

}  // namespace

StopSignals::StopSignals() {
  sigset_t stops;
  sigemptyset(&stops);
  for (const int s : kStopSignals) sigaddset(&stops, s);
  sigprocmask(SIG_BLOCK, &stops, &previous_mask_);
  wait_mask_ = previous_mask_;
  for (const int s : kStopSignals) {
    sigdelset(&wait_mask_, s);
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    sigaction(s, &action, nullptr);
  }
  // A reader that went away must not kill us in the middle of a write.
  signal(SIGPIPE, SIG_IGN);
}

StopSignals::~StopSignals() {
  sigprocmask(SIG_SETMASK, &previous_mask_, nullptr);
}

bool StopSignals::raised() { return g_raised != 0; }

}  // namespace quorvix::sim
