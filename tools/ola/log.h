#pragma once
// The bridge's log: GLib's structured log (domain "quorvix-ola"), so that
// under systemd each line reaches the journal with its priority; elsewhere
// one line per event on standard error, "quorvix-ola: ...". Control
// characters (a message box's CR LF) are shown as spaces so that every event
// stays one line. Lines above the level of -l are not logged.

#include <string_view>

namespace quorvix::ola_bridge {

enum class Priority { kError = 1, kWarning = 2, kInformation = 3, kTrace = 4 };

// Installs the writer and the level (0 to 4); once, before the first line.
void StartLog(int level);

void Log(Priority priority, std::string_view text);
inline void Log(std::string_view text) { Log(Priority::kInformation, text); }

// Logs only the first of a run of the same kind of event, until Forget.
class LogOnce {
 public:
  void Log(Priority priority, std::string_view text);
  void Log(std::string_view text) { Log(Priority::kInformation, text); }
  void Forget() { said_ = false; }

 private:
  bool said_ = false;
};

}  // namespace quorvix::ola_bridge
