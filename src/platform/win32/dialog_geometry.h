#pragma once
// Twips to pixels at a window's real DPI.

#include <windows.h>

#include "platform/dialog_view.h"

namespace quorvix::win32 {

inline constexpr int kTwipsPerInch = 1440;

// Rounded to the nearest pixel, halves away from zero.
constexpr int TwipsToPixels(int twips, int dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  const long long half = kTwipsPerInch / 2;
  return static_cast<int>((scaled >= 0 ? scaled + half : scaled - half) /
                          kTwipsPerInch);
}

// Each of left, top, width and height converted on its own, so that every
// edge lies within half a pixel of the table.
RECT PixelRect(const TwipRect& twips, int dpi);

// The DPI the window is drawn at (per monitor where the system tells).
int WindowDpi(HWND window);

// The outer size of a window with the given styles whose client area is
// `client_width` x `client_height` pixels.
SIZE OuterSize(int client_width, int client_height, DWORD style, DWORD ex_style,
               int dpi);

// Where a window of `size` stands centred on the monitor of `near_window`
// (the primary one without it).
POINT CentredOnScreen(SIZE size, HWND near_window);

}  // namespace quorvix::win32
