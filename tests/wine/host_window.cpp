#include "host_window.h"

#include <string>
#include <vector>

namespace {

constexpr wchar_t kClass[] = L"QuorvixWineTestHost";
constexpr UINT kRunMessage = WM_APP + 7;
BoxOwners* g_box_owners = nullptr;

}  // namespace

HostWindow::HostWindow() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &HostWindow::Procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kClass;
  RegisterClassExW(&window_class);
  window_ = CreateWindowExW(0, kClass, L"Wine Test Host", WS_OVERLAPPEDWINDOW,
                            20, 20, 300, 200, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  SetActiveWindow(window_);
}

HostWindow::~HostWindow() { DestroyWindow(window_); }

void HostWindow::Run(const std::function<void()>& call) const {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window_, kRunMessage, 0, reinterpret_cast<LPARAM>(&call),
                      SMTO_NORMAL, 60000, &ignored);
}

LRESULT CALLBACK HostWindow::Procedure(HWND window, UINT message, WPARAM wparam,
                                       LPARAM lparam) {
  if (message == kRunMessage) {
    (*reinterpret_cast<const std::function<void()>*>(lparam))();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

BoxOwners::BoxOwners(const wchar_t* title) : title_(title) {
  InitializeCriticalSection(&lock_);
  g_box_owners = this;
  hook_ = SetWindowsHookExW(WH_CBT, &BoxOwners::Hook, nullptr,
                            GetCurrentThreadId());
}

BoxOwners::~BoxOwners() {
  UnhookWindowsHookEx(hook_);
  g_box_owners = nullptr;
  DeleteCriticalSection(&lock_);
}

std::vector<HWND> BoxOwners::Take() {
  EnterCriticalSection(&lock_);
  std::vector<HWND> taken;
  taken.swap(owners_);
  LeaveCriticalSection(&lock_);
  return taken;
}

LRESULT CALLBACK BoxOwners::Hook(int code, WPARAM wparam, LPARAM lparam) {
  BoxOwners* const self = g_box_owners;
  // At its end the box has its title, however fast a watcher dismissed it.
  if (self && code == HCBT_DESTROYWND) {
    const auto window = reinterpret_cast<HWND>(wparam);
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    if (std::wstring(title) == self->title_) {
      EnterCriticalSection(&self->lock_);
      self->owners_.push_back(GetWindow(window, GW_OWNER));
      LeaveCriticalSection(&self->lock_);
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}
