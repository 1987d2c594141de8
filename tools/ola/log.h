#pragma once
// The bridge's log: one line per event on standard error, which a service
// manager keeps. Control characters (a message box's CR LF) are shown as
// spaces so that every event stays one line.

#include <string_view>

namespace quorvix::ola_bridge {

void Log(std::string_view text);

// Logs only the first of a run of the same kind of event, until Forget.
class LogOnce {
 public:
  void Log(std::string_view text);
  void Forget() { said_ = false; }

 private:
  bool said_ = false;
};

}  // namespace quorvix::ola_bridge
