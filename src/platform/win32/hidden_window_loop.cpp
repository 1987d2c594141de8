#include "platform/win32/hidden_window_loop.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/win32/modal_dialog.h"
#include "platform/win32/wide_text.h"

namespace quorvix::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"QuorvixHiddenWindow";
constexpr UINT kPumpMarker = WM_APP + 2;

// Bounds on one pump, for a queue that something keeps filling.
constexpr int kPostedBudget = 100000;
constexpr int kSweepBudget = 256;
constexpr std::size_t kTimerBudget = 64;

// Returns false for WM_QUIT, which is put back for the host's own loop. The
// open dialog's keyboard handling also works while a handler waits here.
bool Dispatch(MSG& message) {
  if (message.message == WM_QUIT) {
    PostQuitMessage(static_cast<int>(message.wParam));
    return false;
  }
  if (RouteToModalDialog(message)) return true;
  TranslateMessage(&message);
  DispatchMessageW(&message);
  return true;
}

}  // namespace

class WindowTimer final : public TimerSource {
 public:
  WindowTimer(HiddenWindowLoop& loop, UINT_PTR id) : loop_(loop), id_(id) {}
  ~WindowTimer() override { loop_.StopTimer(id_); }

 private:
  HiddenWindowLoop& loop_;
  UINT_PTR id_;
};

HiddenWindowLoop::HiddenWindowLoop(HINSTANCE instance,
                                   std::string_view caption_text)
    : instance_(instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &HiddenWindowLoop::WindowProc;
  window_class.hInstance = instance_;
  window_class.lpszClassName = kWindowClass;
  window_class_ = RegisterClassExW(&window_class);
  if (!window_class_ && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw Error(kInternalError, "Cannot register the hidden window's class: " +
                                    SystemErrorText(GetLastError()));
  }
  const std::wstring caption = Widen(caption_text);
  window_ = CreateWindowExW(0, kWindowClass, caption.c_str(), WS_OVERLAPPED, 0,
                            0, 0, 0, HWND_MESSAGE, nullptr, instance_, this);
  if (!window_) {
    const DWORD error = GetLastError();
    if (window_class_) UnregisterClassW(kWindowClass, instance_);
    throw Error(kInternalError,
                "Cannot create the hidden window: " + SystemErrorText(error));
  }
}

HiddenWindowLoop::~HiddenWindowLoop() {
  for (const auto& timer : timers_) KillTimer(window_, timer.first);
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
  if (window_class_) UnregisterClassW(kWindowClass, instance_);
}

LRESULT CALLBACK HiddenWindowLoop::WindowProc(HWND window, UINT message,
                                              WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<HiddenWindowLoop*>(
      GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self) return self->Handle(window, message, wparam, lparam);
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT HiddenWindowLoop::Handle(HWND window, UINT message, WPARAM wparam,
                                 LPARAM lparam) {
  switch (message) {
    case WM_TIMER: RunTimer(wparam); return 0;
    case kReceiveMessage: RunReceiver(wparam); return 0;
    case kPumpMarker:
      // Modal loops (message boxes) dispatch markers too; remember the
      // latest so that the pump that posted it knows it has been reached.
      if (static_cast<std::int32_t>(static_cast<std::uint32_t>(wparam) -
                                    marker_seen_) > 0) {
        marker_seen_ = static_cast<std::uint32_t>(wparam);
      }
      return 0;
    default: return DefWindowProcW(window, message, wparam, lparam);
  }
}

void HiddenWindowLoop::RunTimer(UINT_PTR id) {
  const auto found = timers_.find(id);
  if (found == timers_.end()) return;
  // Held here: the tick may stop its own timer.
  const std::shared_ptr<TimerEntry> entry = found->second;
  if (entry->running) return;  // a nested tick is skipped, not queued
  entry->running = true;
  try {
    entry->tick();
  } catch (...) {  // the core reports its own failures; none may escape here
  }
  entry->running = false;
}

void HiddenWindowLoop::RunReceiver(ReceiverId id) {
  const auto found = receivers_.find(id);
  if (found == receivers_.end()) return;
  const std::shared_ptr<std::function<void()>> receiver = found->second;
  try {
    (*receiver)();
  } catch (...) {
  }
}

bool HiddenWindowLoop::MarkerSeen(std::uint32_t marker) const {
  return static_cast<std::int32_t>(marker_seen_ - marker) >= 0;
}

void HiddenWindowLoop::PumpPending() {
  const std::uint32_t marker = ++markers_posted_;
  const bool marked =
      PostMessageW(window_, kPumpMarker, static_cast<WPARAM>(marker), 0);
  MSG message;
  // Posted messages come out in order, so everything before the marker was
  // pending when the pump started; what a flooding line posts meanwhile
  // waits for the next pump.
  for (int budget = kPostedBudget; budget > 0; --budget) {
    if (marked && MarkerSeen(marker)) break;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) break;
    if (!Dispatch(message)) return;
  }
  // Input, paint and timer messages are handed out only when no posted
  // message is left, so they get their turn here, each at most once.
  for (int budget = kSweepBudget; budget > 0; --budget) {
    if (!PeekMessageW(
            &message, nullptr, 0, 0,
            PM_REMOVE | PM_QS_INPUT | PM_QS_PAINT | PM_QS_SENDMESSAGE)) {
      break;
    }
    if (!Dispatch(message)) return;
  }
  std::vector<std::pair<HWND, WPARAM>> timers_run;
  while (timers_run.size() < kTimerBudget &&
         PeekMessageW(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    const std::pair<HWND, WPARAM> timer{message.hwnd, message.wParam};
    const bool again = std::find(timers_run.begin(), timers_run.end(), timer) !=
                       timers_run.end();
    Dispatch(message);
    if (again) break;
    timers_run.push_back(timer);
  }
}

void HiddenWindowLoop::WaitAndPump(Clock::time_point deadline) {
  const auto now = Clock::now();
  DWORD timeout = 0;
  if (deadline > now) {
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    timeout = static_cast<DWORD>(
        std::min<long long>(wait, static_cast<long long>(INFINITE) - 1));
  }
  // Paint messages are left out: a window that never validates itself would
  // turn every wait into a busy loop.
  MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT & ~QS_PAINT,
                              MWMO_INPUTAVAILABLE);
  PumpPending();
}

void HiddenWindowLoop::Sleep(std::chrono::milliseconds duration) {
  const auto count = std::clamp<long long>(
      duration.count(), 0, static_cast<long long>(INFINITE) - 1);
  ::Sleep(static_cast<DWORD>(count));
}

std::unique_ptr<TimerSource> HiddenWindowLoop::StartTimer(
    std::chrono::milliseconds interval, std::function<void()> tick) {
  const UINT_PTR id = next_timer_id_++;
  const auto count = std::clamp<long long>(interval.count(), USER_TIMER_MINIMUM,
                                           USER_TIMER_MAXIMUM);
  if (!SetTimer(window_, id, static_cast<UINT>(count), nullptr)) {
    throw Error(kInternalError, "Cannot start a window timer: " +
                                    SystemErrorText(GetLastError()));
  }
  auto entry = std::make_shared<TimerEntry>();
  entry->tick = std::move(tick);
  timers_.emplace(id, std::move(entry));
  return std::make_unique<WindowTimer>(*this, id);
}

void HiddenWindowLoop::StopTimer(UINT_PTR id) {
  KillTimer(window_, id);
  timers_.erase(id);
}

HiddenWindowLoop::ReceiverId HiddenWindowLoop::AddReceiver(
    std::function<void()> on_receive) {
  const ReceiverId id = next_receiver_id_++;
  receivers_.emplace(
      id, std::make_shared<std::function<void()>>(std::move(on_receive)));
  return id;
}

void HiddenWindowLoop::RemoveReceiver(ReceiverId id) { receivers_.erase(id); }

}  // namespace quorvix::win32
