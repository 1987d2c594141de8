#pragma once
// The hidden window `frmMain` lives in: a message-only window on the host's
// thread that owns the timers and receives the serial notifications. Its
// message queue is the driver's event source.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string_view>

#include "platform/event_loop.h"

namespace quorvix::win32 {

class HiddenWindowLoop final : public EventLoop {
 public:
  using ReceiverId = WPARAM;
  static constexpr UINT kReceiveMessage = WM_APP + 1;

  // `caption` names the window for tools that list windows. Throws Error
  // (51) when the window cannot be created.
  HiddenWindowLoop(HINSTANCE instance, std::string_view caption);
  ~HiddenWindowLoop() override;
  HiddenWindowLoop(const HiddenWindowLoop&) = delete;
  HiddenWindowLoop& operator=(const HiddenWindowLoop&) = delete;

  HWND window() const { return window_; }

  void PumpPending() override;
  void WaitAndPump(Clock::time_point deadline) override;
  Clock::time_point Now() const override { return Clock::now(); }
  void Sleep(std::chrono::milliseconds duration) override;
  std::unique_ptr<TimerSource> StartTimer(std::chrono::milliseconds interval,
                                          std::function<void()> tick) override;

  // A reader thread posts kReceiveMessage with the id as wParam; the
  // callback then runs on this thread. Ids are never reused, so a message
  // that arrives after RemoveReceiver is ignored.
  ReceiverId AddReceiver(std::function<void()> on_receive);
  void RemoveReceiver(ReceiverId id);

  std::size_t RunningTimers() const { return timers_.size(); }

 private:
  struct TimerEntry {
    std::function<void()> tick;
    bool running = false;
  };
  friend class WindowTimer;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam);
  LRESULT Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void RunTimer(UINT_PTR id);
  void RunReceiver(ReceiverId id);
  void StopTimer(UINT_PTR id);
  bool MarkerSeen(std::uint32_t marker) const;

  HINSTANCE instance_;
  ATOM window_class_ = 0;
  HWND window_ = nullptr;
  UINT_PTR next_timer_id_ = 1;
  std::map<UINT_PTR, std::shared_ptr<TimerEntry>> timers_;
  ReceiverId next_receiver_id_ = 1;
  std::map<ReceiverId, std::shared_ptr<std::function<void()>>> receivers_;
  std::uint32_t markers_posted_ = 0;
  std::uint32_t marker_seen_ = 0;
};

}  // namespace quorvix::win32
