#pragma once
// The native control for each kind of the dialog layout. Every control is
// a direct child of the dialog and its own group, so the dialog gets every
// notification and arrow keys never move the focus to a neighbour.

#include <windows.h>

#include "platform/dialog_view.h"

namespace quorvix::win32 {

// Placed at `pixels` (a line: its left, top and width; a drop-down list:
// its closed box, the open list below it, once FitClosedList has sized it
// for the font it keeps). Null on failure.
HWND CreateControl(HWND dialog, HINSTANCE instance, const ControlLayout& item,
                   int id, const RECT& pixels);

// Makes the closed box of a drop-down list `closed_height` pixels high.
void FitClosedList(HWND list, int closed_height);

}  // namespace quorvix::win32
