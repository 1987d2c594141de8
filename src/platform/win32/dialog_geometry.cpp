#include "platform/win32/dialog_geometry.h"

#include "platform/win32/gdi.h"

namespace quorvix::win32 {
namespace {

// Newer than the oldest Windows the plug-in runs on, so looked up at run time.
template <typename Function>
Function User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (!user32) return nullptr;
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// Without GetDpiForWindow the system DPI is the one every window has.
int SystemDpi() {
  int dpi = 0;
  if (const Gdi* gdi = GdiFunctions()) {
    if (const HDC screen = GetDC(nullptr)) {
      dpi = gdi->GetDeviceCaps(screen, LOGPIXELSY);
      ReleaseDC(nullptr, screen);
    }
  }
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

RECT PixelRect(const TwipRect& twips, int dpi) {
  const int left = TwipsToPixels(twips.left, dpi);
  const int top = TwipsToPixels(twips.top, dpi);
  return RECT{left, top, left + TwipsToPixels(twips.width, dpi),
              top + TwipsToPixels(twips.height, dpi)};
}

int WindowDpi(HWND window) {
  static const auto get_dpi_for_window =
      User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (get_dpi_for_window) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

SIZE OuterSize(int client_width, int client_height, DWORD style, DWORD ex_style,
               int dpi) {
  static const auto adjust_for_dpi =
      User32Function<AdjustForDpiFunction>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, client_width, client_height};
  if (!adjust_for_dpi ||
      !adjust_for_dpi(&rect, style, FALSE, ex_style, static_cast<UINT>(dpi))) {
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  }
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

POINT CentredOnScreen(SIZE size, HWND near_window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN),
              GetSystemMetrics(SM_CYSCREEN)};
  if (GetMonitorInfoW(MonitorFromWindow(near_window, MONITOR_DEFAULTTOPRIMARY),
                      &monitor)) {
    screen = monitor.rcMonitor;
  }
  return POINT{screen.left + (screen.right - screen.left - size.cx) / 2,
               screen.top + (screen.bottom - screen.top - size.cy) / 2};
}

}  // namespace quorvix::win32
