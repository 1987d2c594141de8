#pragma once
// The dialog's font, chosen by measurement once its controls exist. The
// twips table was drawn for an 8-point sans-serif face with narrow metrics,
// the face the dialog manager makes of "MS Shell Dlg" on Windows; there it
// stays untouched. Elsewhere (Wine maps the name to Tahoma, or to whatever
// the host system offers for it) the dialog's font stays as long as every
// text fits; otherwise the controls get the largest size of that face, or of
// a narrower one, at which every caption, field text and list entry fits
// the room its control draws it in at the window's DPI.

#include <windows.h>

#include <span>
#include <string>

#include "platform/dialog_view.h"
#include "platform/win32/gdi.h"

namespace quorvix::win32 {

// Every control of the dialog, with what it must show whole (empty for
// nothing).
struct TextToFit {
  HWND control;
  ControlKind kind;
  std::wstring text;  // as drawn: accelerator marks taken out
};

// Gives every control of `texts` the chosen font (without redrawing) and
// returns it, or null when the dialog's own font stays; the controls must
// not outlive it.
UniqueFont FitDialogFont(HWND dialog, std::span<const TextToFit> texts);

// "&x" draws x, "&&" one ampersand.
std::wstring DrawnCaption(const std::wstring& caption);

}  // namespace quorvix::win32
