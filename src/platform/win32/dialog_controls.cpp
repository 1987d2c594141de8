#include "platform/win32/dialog_controls.h"

#include <algorithm>
#include <string>

#include "platform/win32/wide_text.h"

namespace quorvix::win32 {
namespace {

constexpr int kLineHeight = 2;      // an etched line: one dark, one light
constexpr int kMostListLines = 16;  // more entries scroll

struct NativeKind {
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
};

NativeKind NativeKindOf(const ControlLayout& item) {
  const DWORD tab_stop = item.tab_index >= 0 ? WS_TABSTOP : 0;
  switch (item.kind) {
    case ControlKind::kFrame:
      // Below its controls in the z-order; clipping them keeps it from
      // painting over them.
      return {L"BUTTON", BS_GROUPBOX | WS_CLIPSIBLINGS, 0};
    // One line, cut at the end rather than wrapped half out of sight when
    // the system's font is wider than the one the table was drawn with.
    case ControlKind::kLabel: return {L"STATIC", SS_LEFTNOWORDWRAP, 0};
    case ControlKind::kDropDownList:
      return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | tab_stop, 0};
    case ControlKind::kTextField:
      return {
          L"EDIT",
          ES_AUTOHSCROLL |
              (item.alignment == TextAlignment::kRight ? ES_RIGHT : ES_LEFT) |
              tab_stop,
          WS_EX_CLIENTEDGE};
    case ControlKind::kMultiLineText:
      return {L"EDIT", ES_MULTILINE | ES_READONLY | tab_stop, WS_EX_CLIENTEDGE};
    case ControlKind::kScrollBar: return {L"SCROLLBAR", SBS_VERT | tab_stop, 0};
    case ControlKind::kCheckBox:
      return {L"BUTTON", BS_AUTOCHECKBOX | tab_stop, 0};
    case ControlKind::kButton:
      return {
          L"BUTTON",
          (item.default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | tab_stop,
          0};
    case ControlKind::kLine: return {L"STATIC", SS_ETCHEDHORZ, 0};
  }
  return {L"STATIC", SS_LEFT, 0};
}

// A drop-down list is created as high as its open list; the system shows
// fewer lines when it has fewer entries.
int HeightOf(ControlKind kind, const RECT& pixels) {
  const int height = pixels.bottom - pixels.top;
  switch (kind) {
    case ControlKind::kLine: return kLineHeight;
    case ControlKind::kDropDownList: return height * (1 + kMostListLines);
    default: return height;
  }
}

}  // namespace

HWND CreateControl(HWND dialog, HINSTANCE instance, const ControlLayout& item,
                   int id, const RECT& pixels) {
  const NativeKind native = NativeKindOf(item);
  const int height = HeightOf(item.kind, pixels);
  const std::wstring text = item.kind == ControlKind::kDropDownList
                                ? std::wstring()
                                : Widen(item.caption);
  const HWND control = CreateWindowExW(
      native.ex_style, native.window_class, text.c_str(),
      native.style | WS_CHILD | WS_VISIBLE | WS_GROUP, pixels.left, pixels.top,
      pixels.right - pixels.left, height, dialog,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (!control) return nullptr;
  // A static control may add an edge of its own, and Wine then grows it.
  SetWindowPos(control, nullptr, pixels.left, pixels.top,
               pixels.right - pixels.left, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(control, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0),
               FALSE);
  if (item.kind == ControlKind::kScrollBar) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
    info.nMin = item.range_min;
    info.nMax = item.range_max;
    info.nPos = item.position;
    SetScrollInfo(control, SB_CTL, &info, FALSE);
  }
  return control;
}

void FitClosedList(HWND list, int closed_height) {
  // The closed box is its selection field plus a border the system
  // chooses (and systems differ in what CB_GETITEMHEIGHT reports back), so
  // the field is sized by what each request does to the whole box.
  const auto box_height = [list] {
    RECT box{};
    GetWindowRect(list, &box);
    return static_cast<int>(box.bottom - box.top);
  };
  const LRESULT field = SendMessageW(list, CB_GETITEMHEIGHT, WPARAM(-1), 0);
  int request = field == CB_ERR ? 0 : static_cast<int>(field);
  for (int attempt = 0; request > 0 && attempt < 3; ++attempt) {
    const int height = box_height();
    if (height == closed_height) return;
    request += closed_height - height;
    if (request > 0) SendMessageW(list, CB_SETITEMHEIGHT, WPARAM(-1), request);
  }
}

}  // namespace quorvix::win32
