#pragma once
// What every scenario of the Wine test host gets: the checks, the trace
// and box listeners, the simulator's files, and a few host chores.

#include <oaidl.h>
#include <windows.h>

#include <string>
#include <vector>

#include "box_watcher.h"
#include "checks.h"
#include "dbwin_listener.h"

inline constexpr wchar_t kBoxTitle[] = L"Quorvix Transmitter Driver";
inline constexpr wchar_t kProgId[] = L"Quorvix.clsOutputDriver";
inline constexpr wchar_t kTitle[] = L"Wine Test Host";
inline constexpr wchar_t kFile[] = L"quorvix.dll";

struct HostContext {
  Checks& checks;
  DbwinListener& traces;
  BoxWatcher& boxes;
  std::wstring sim_log;       // the simulator's --log file
  std::wstring sim_commands;  // lines appended here reach its standard input
  std::wstring sim_port = L"5";
  std::wstring refused_port = L"7";  // run.sh maps it to a folder

  // A new driver object made through COM by its ProgID, or null; the
  // caller owns the reference (ComRef<IDispatch>::Adopt).
  IDispatch* Create();
  // Runs the thread's messages for `ms` milliseconds, as a host's idle loop.
  void Pump(DWORD ms);
  // Sends one command line to the simulator and waits (pumping, at most
  // five seconds) until its log shows that it has taken it.
  bool SimCommand(const std::string& line);
  // The rest of each log line whose event is `event`, in order.
  std::vector<std::string> SimEvents(const std::string& event);
  // Pumps messages until `done` holds or `ms` have passed; returns `done()`.
  template <typename Done>
  bool PumpUntil(Done&& done, DWORD ms = 5000) {
    const DWORD start = GetTickCount();
    while (!done()) {
      if (GetTickCount() - start >= ms) return false;
      Pump(10);
    }
    return true;
  }
};

// HKCU\Software\VB and VBA Program Settings\<kTitle>\Plugins\<kFile>.
void SetSetting(const wchar_t* key, const wchar_t* value);
// Empty when missing; "<not text>" for other types.
std::wstring GetSetting(const wchar_t* key);
void ClearSettings();

bool Contains(const std::vector<std::string>& lines, const std::string& line);
// "FF 04 00" -> bytes.
std::string FromHex(const std::string& hex);
std::wstring Widen(const std::string& utf8);
