#pragma once
// The native control for each kind of the dialog layout. Every control is
// a direct child of the dialog and its own group, so the dialog gets every
// notification and arrow keys never move the focus to a neighbour.

#include <windows.h>

#include "platform/dialog_view.h"

namespace quorvix::win32 {

// Placed at `pixels` (a line: its left, top and width; a drop-down list:
// the height of its closed box, see FitDropDownList). Null on failure.
HWND CreateControl(HWND dialog, HINSTANCE instance, const ControlSpec& spec,
                   int id, const RECT& pixels);

// A drop-down list is as high as its open list; its closed box takes the
// height of `closed` (as the layout gives it), and the open list shows up
// to `entries` lines.
void FitDropDownList(HWND list, const RECT& closed, int entries);

}  // namespace quorvix::win32
