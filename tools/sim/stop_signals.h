#pragma once
// SIGINT, SIGTERM and SIGHUP end the simulator cleanly. They stay blocked
// except inside the event loop's wait, so a stop is noticed right away and
// never lost between a check and the wait.

#include <signal.h>

namespace quorvix::sim {

class StopSignals {
 public:
  StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  ~StopSignals();

  // The signal mask to wait with.
  const sigset_t& wait_mask() const { return wait_mask_; }
  static bool raised();

 private:
  sigset_t wait_mask_;
  sigset_t previous_mask_;
};

}  // namespace quorvix::sim
