#pragma once
// The test host's own main window, as a real host has one: visible, active
// before Configure, and a way for a second thread to make the host call the
// plug-in from inside the dialog's modal loop (as a host timer would).

#include <windows.h>

#include <functional>
#include <vector>

class HostWindow {
 public:
  HostWindow();
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND window() const { return window_; }
  // Runs `call` on the window's thread, from any thread; returns when it
  // has run (or after a minute).
  void Run(const std::function<void()>& call) const;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam,
                                    LPARAM lparam);
  HWND window_ = nullptr;
};

// Records the owner of every message box with `title` that the calling
// thread shows, while it lives (a thread hook: it sees the box before any
// watcher dismisses it).
class BoxOwners {
 public:
  explicit BoxOwners(const wchar_t* title);
  ~BoxOwners();
  BoxOwners(const BoxOwners&) = delete;
  BoxOwners& operator=(const BoxOwners&) = delete;

  // Owners of the boxes since the last call, oldest first; from any thread.
  std::vector<HWND> Take();

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam);

  const wchar_t* title_;
  HHOOK hook_ = nullptr;
  CRITICAL_SECTION lock_;
  std::vector<HWND> owners_;
};
