#include "platform/win32/dialog_window.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <numeric>
#include <optional>
#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/guard.h"
#include "platform/win32/dialog_controls.h"
#include "platform/win32/dialog_font.h"
#include "platform/win32/dialog_geometry.h"
#include "platform/win32/modal_dialog.h"
#include "platform/win32/thread_windows_disabled.h"
#include "platform/win32/wide_text.h"

namespace quorvix::win32 {
namespace {

// Control ids start above IDOK and IDCANCEL, which the dialog manager sends
// for Enter and Escape on its own.
constexpr int kFirstId = 1000;
// Posted to the dialog when a pick from an open drop-down has ended; wparam
// is the list.
constexpr UINT kPickEnded = WM_APP + 1;

// An empty dialog: the controls come from the layout table, placed in
// pixels at the window's DPI. The dialog manager makes the font from it,
// scaled to the display; "MS Shell Dlg" is the system's dialog face, on
// Windows with the metrics of the 8-point face the twips table was drawn
// with (elsewhere the controls may get another, dialog_font.h).
struct alignas(4) DialogTemplate {
  DLGTEMPLATE header;
  WORD menu;
  WORD window_class;
  WORD title;
  WORD point_size;
  wchar_t typeface[14];
};
static_assert(offsetof(DialogTemplate, menu) == sizeof(DLGTEMPLATE));

// Not WS_CLIPCHILDREN: the group boxes draw only their frame and caption,
// and the dialog's own background must show through them.
constexpr DWORD kStyle =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr DialogTemplate kTemplate{
    {kStyle, WS_EX_TOOLWINDOW, 0, 0, 0, 0, 0}, 0, 0, 0, 8, L"MS Shell Dlg"};

std::optional<ScrollAction> ScrollActionOf(WORD code) {
  switch (code) {
    case SB_LINEUP: return ScrollAction::kLineUp;
    case SB_LINEDOWN: return ScrollAction::kLineDown;
    case SB_PAGEUP: return ScrollAction::kPageUp;
    case SB_PAGEDOWN: return ScrollAction::kPageDown;
    case SB_TOP: return ScrollAction::kTop;
    case SB_BOTTOM: return ScrollAction::kBottom;
    case SB_THUMBPOSITION: return ScrollAction::kThumbPosition;
    case SB_THUMBTRACK: return ScrollAction::kThumbTrack;
    case SB_ENDSCROLL: return ScrollAction::kEndScroll;
    default: return std::nullopt;
  }
}

bool Focusable(ControlKind kind) {
  return kind != ControlKind::kFrame && kind != ControlKind::kLabel &&
         kind != ControlKind::kLine;
}

// What a control must show whole (nothing for the others).
std::wstring TextToShow(const ControlLayout& item) {
  switch (item.kind) {
    case ControlKind::kFrame:
    case ControlKind::kLabel:
    case ControlKind::kCheckBox:
    case ControlKind::kButton: return DrawnCaption(Widen(item.caption));
    case ControlKind::kTextField:
      return Widen(item.widest.empty() ? item.caption : item.widest);
    case ControlKind::kDropDownList: return Widen(item.widest);
    default: return {};
  }
}

std::string TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1,
                    L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

// Tab order: by tab index, controls without one last; the frames go below
// everything, where they are drawn first.
std::vector<ControlId> CreationOrder(std::span<const ControlLayout> items) {
  std::vector<ControlId> order(items.size());
  std::iota(order.begin(), order.end(), 0);
  const auto rank = [&](ControlId id) {
    const ControlLayout& item = items[static_cast<std::size_t>(id)];
    return std::pair{item.kind == ControlKind::kFrame,
                     item.tab_index < 0 ? INT_MAX : item.tab_index};
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](ControlId a, ControlId b) { return rank(a) < rank(b); });
  return order;
}

}  // namespace

class DialogWindow::Writing {
 public:
  explicit Writing(DialogWindow& window) : window_(window) {
    ++window_.writing_;
  }
  ~Writing() { --window_.writing_; }
  Writing(const Writing&) = delete;
  Writing& operator=(const Writing&) = delete;

 private:
  DialogWindow& window_;
};

DialogWindow::DialogWindow(HINSTANCE instance, const DialogLayout& layout,
                           DialogEvents& events)
    : events_(events) {
  HWND owner = GetActiveWindow();
  if (owner) owner = GetAncestor(owner, GA_ROOT);
  const HWND dialog = CreateDialogIndirectParamW(
      instance, &kTemplate.header, owner, &DialogWindow::DialogProcedure,
      reinterpret_cast<LPARAM>(this));
  if (!dialog) {
    throw Error(kInternalError, "Cannot create the configuration dialog: " +
                                    SystemErrorText(GetLastError()));
  }
  dialog_.reset(dialog);
  SetWindowTextW(dialog, Widen(layout.caption).c_str());
  // A fixed window: its menu offers only moving and closing.
  if (const HMENU menu = GetSystemMenu(dialog, FALSE)) {
    for (const UINT command : {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE}) {
      DeleteMenu(menu, command, MF_BYCOMMAND);
    }
  }
  Build(instance, layout);
  quiet_ = false;
}

DialogWindow::~DialogWindow() {
  // Destruction moves the focus and sends notifications; nobody listens now.
  quiet_ = true;
}

void DialogWindow::Build(HINSTANCE instance, const DialogLayout& layout) {
  inner_ = SIZE{layout.width, layout.height};
  controls_.reserve(layout.controls.size());
  for (const ControlLayout& item : layout.controls) {
    controls_.push_back(Control{item.kind, item.bounds});
  }
  dpi_ = WindowDpi(dialog_.get());
  Place();
  for (const ControlId id : CreationOrder(layout.controls)) {
    const ControlLayout& item = layout.controls[static_cast<std::size_t>(id)];
    const HWND window =
        CreateControl(dialog_.get(), instance, item, kFirstId + id,
                      PixelRect(item.bounds, dpi_));
    if (!window) {
      throw Error(kInternalError, "Cannot create the dialog's control " +
                                      std::string(item.name) + ": " +
                                      SystemErrorText(GetLastError()));
    }
    controls_[static_cast<std::size_t>(id)].window = window;
    Hook(id);
    if (item.default_button) {
      SendMessageW(dialog_.get(), DM_SETDEFID, kFirstId + id, 0);
    }
  }
  std::vector<TextToFit> texts;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    texts.push_back({controls_[i].window, controls_[i].kind,
                     TextToShow(layout.controls[i])});
  }
  font_ = FitDialogFont(dialog_.get(), texts);
  // The closed lists keep their height whatever font they got.
  for (const Control& control : controls_) {
    if (control.kind == ControlKind::kDropDownList) {
      const RECT pixels = PixelRect(control.bounds, dpi_);
      FitClosedList(control.window, pixels.bottom - pixels.top);
    }
  }
}

void DialogWindow::Place() {
  const HWND dialog = dialog_.get();
  const int width = TwipsToPixels(inner_.cx, dpi_);
  const int height = TwipsToPixels(inner_.cy, dpi_);
  SIZE outer = OuterSize(
      width, height, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)),
      static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)), dpi_);
  SetWindowPos(dialog, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Whatever frame the system really draws, the inner area is the layout's.
  RECT client{};
  GetClientRect(dialog, &client);
  outer.cx += width - client.right;
  outer.cy += height - client.bottom;
  const HWND owner = GetWindow(dialog, GW_OWNER);
  const POINT at = CentredOnScreen(outer, owner ? owner : dialog);
  SetWindowPos(dialog, nullptr, at.x, at.y, outer.cx, outer.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void DialogWindow::Hook(ControlId id) {
  const Control& control = controls_[static_cast<std::size_t>(id)];
  if (!Focusable(control.kind)) return;
  ControlHooks hooks;
  hooks.focus_arriving = [this, id](HWND previous) {
    const ControlId from = IdOf(previous);
    if (from != kNoControl && from != id) {
      ReportToModel(quiet_, [&] { events_.OnFocusMoving(from, id); });
    }
  };
  if (control.kind == ControlKind::kTextField) {
    hooks.character = [this, id](std::uint32_t code) {
      bool pass = true;
      ReportToModel(quiet_, [&] { pass = events_.OnKeyPress(id, code); });
      return pass;
    };
  }
  hooks.leave_dialog_keys = control.kind == ControlKind::kMultiLineText;
  hooks_.push_back(
      std::make_unique<ControlSubclass>(control.window, std::move(hooks)));
}

ControlId DialogWindow::IdOf(HWND window) const {
  if (!window) return kNoControl;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i].window == window) return static_cast<ControlId>(i);
  }
  return kNoControl;
}

HWND DialogWindow::WindowOf(ControlId id) const {
  if (id < 0 || static_cast<std::size_t>(id) >= controls_.size()) {
    return nullptr;
  }
  return controls_[static_cast<std::size_t>(id)].window;
}

INT_PTR CALLBACK DialogWindow::DialogProcedure(HWND dialog, UINT message,
                                               WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    return FALSE;  // the controls come later
  }
  auto* const self =
      reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (!self) return FALSE;
  return self->Handle(message, wparam, lparam);
}

INT_PTR DialogWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: OnCommand(wparam, lparam); return TRUE;
    case WM_VSCROLL: OnScroll(wparam, lparam); return TRUE;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) != SC_CLOSE) return FALSE;
      ReportToModel(quiet_, [&] { events_.OnCloseRequest(); });
      SetWindowLongPtrW(dialog_.get(), DWLP_MSGRESULT, 0);
      return TRUE;
    case WM_CLOSE:
      // What Escape in a multi-line edit, or another program, sends: the
      // window closes only by its close box.
      return TRUE;
    case kPickEnded: OnPickEnded(static_cast<ControlId>(wparam)); return TRUE;
    case WM_DESTROY: OnDestroyed(); return FALSE;
    default: return FALSE;
  }
}

// Destroyed by someone else: with its owner, when a host takes its windows
// down while the dialog is open. The handles are gone; what the model still
// writes goes nowhere, and it closes as if asked.
void DialogWindow::OnDestroyed() {
  if (quiet_ || !dialog_) return;
  static_cast<void>(dialog_.release());
  for (Control& control : controls_) control.window = nullptr;
  ReportToModel(quiet_, [&] { events_.OnCloseRequest(); });
  quiet_ = true;
}

void DialogWindow::OnCommand(WPARAM wparam, LPARAM) {
  const ControlId id = static_cast<ControlId>(LOWORD(wparam)) - kFirstId;
  const HWND window = WindowOf(id);
  if (!window) return;  // IDOK, IDCANCEL: Enter and Escape with no control
  const WORD code = HIWORD(wparam);
  switch (controls_[static_cast<std::size_t>(id)].kind) {
    case ControlKind::kButton:
      if (code == BN_CLICKED)
        ReportToModel(quiet_, [&] { events_.OnButton(id); });
      break;
    case ControlKind::kCheckBox:
      if (code == BN_CLICKED) {
        const bool checked =
            SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
        ReportToModel(quiet_, [&] { events_.OnCheckToggled(id, checked); });
      }
      break;
    case ControlKind::kDropDownList:
      if (writing_ == 0) OnListNotification(id, code);
      break;
    case ControlKind::kTextField:
      if (code == EN_CHANGE && writing_ == 0) {
        const std::string text = TextOf(window);
        ReportToModel(quiet_, [&] { events_.OnTextEdited(id, text); });
      }
      break;
    default: break;
  }
}

// A choice is every pick the user ends with: an arrow key on the closed
// list, or an entry taken from the open drop-down, the one shown included.
// Moving through the open drop-down chooses nothing yet. Systems differ in
// what they report for a pick from the drop-down (a selection change after
// it closes, or none for the entry already shown), so its end is handled
// once the notifications of that pick are all in.
void DialogWindow::OnListNotification(ControlId id, WORD code) {
  Control& list = controls_[static_cast<std::size_t>(id)];
  switch (code) {
    case CBN_DROPDOWN: list.dropped = true; break;
    case CBN_SELCHANGE:
      if (SendMessageW(list.window, CB_GETDROPPEDSTATE, 0, 0)) break;
      // Wine reports one after a cancelled pick too; its end puts the
      // shown entry back.
      if (list.pick_end == PickEnd::kCancelled) break;
      list.pick_end = PickEnd::kNone;
      ReportChoice(id);
      break;
    case CBN_SELENDOK:
    case CBN_SELENDCANCEL:
      if (!std::exchange(list.dropped, false)) break;
      list.pick_end =
          code == CBN_SELENDOK ? PickEnd::kChosen : PickEnd::kCancelled;
      if (dialog_) {
        PostMessageW(dialog_.get(), kPickEnded, static_cast<WPARAM>(id), 0);
      }
      break;
    default: break;
  }
}

void DialogWindow::OnPickEnded(ControlId id) {
  const HWND window = WindowOf(id);
  if (!window) return;
  Control& list = controls_[static_cast<std::size_t>(id)];
  switch (std::exchange(list.pick_end, PickEnd::kNone)) {
    case PickEnd::kChosen: ReportChoice(id); break;
    case PickEnd::kCancelled:
      if (SendMessageW(window, CB_GETCURSEL, 0, 0) != list.entry) {
        const Writing writing(*this);
        SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(list.entry), 0);
      }
      break;
    case PickEnd::kNone: break;
  }
}

void DialogWindow::ReportChoice(ControlId id) {
  Control& list = controls_[static_cast<std::size_t>(id)];
  const auto index =
      static_cast<int>(SendMessageW(list.window, CB_GETCURSEL, 0, 0));
  if (index < 0) return;
  list.entry = index;
  ReportToModel(quiet_, [&] { events_.OnListChoice(id, index); });
}

void DialogWindow::OnScroll(WPARAM wparam, LPARAM lparam) {
  const ControlId id = IdOf(reinterpret_cast<HWND>(lparam));
  if (id == kNoControl ||
      controls_[static_cast<std::size_t>(id)].kind != ControlKind::kScrollBar) {
    return;
  }
  const std::optional<ScrollAction> action = ScrollActionOf(LOWORD(wparam));
  if (!action) return;
  const int position = HIWORD(wparam);
  ReportToModel(quiet_, [&] { events_.OnScroll(id, *action, position); });
}

void DialogWindow::SetText(ControlId control, std::string_view text) {
  const HWND window = WindowOf(control);
  if (!window) return;
  const Writing writing(*this);
  SetWindowTextW(window, Widen(text).c_str());
  // A one-line field the user types in keeps the caret at the end; the
  // multi-line field keeps showing its text from the beginning.
  if (controls_[static_cast<std::size_t>(control)].kind ==
      ControlKind::kTextField) {
    const int length = GetWindowTextLengthW(window);
    SendMessageW(window, EM_SETSEL, static_cast<WPARAM>(length), length);
  }
}

void DialogWindow::SetListEntries(ControlId list,
                                  std::span<const std::string> entries) {
  const HWND window = WindowOf(list);
  if (!window) return;
  const Writing writing(*this);
  SendMessageW(window, CB_RESETCONTENT, 0, 0);
  for (const std::string& entry : entries) {
    SendMessageW(window, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(Widen(entry).c_str()));
  }
}

void DialogWindow::SetListSelection(ControlId list, int index) {
  const HWND window = WindowOf(list);
  if (!window) return;
  const Writing writing(*this);
  SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  controls_[static_cast<std::size_t>(list)].entry = index;
}

void DialogWindow::SetScrollPosition(ControlId bar, int position) {
  if (const HWND window = WindowOf(bar)) {
    SetScrollPos(window, SB_CTL, position, TRUE);
  }
}

void DialogWindow::SetChecked(ControlId box, bool checked) {
  if (const HWND window = WindowOf(box)) {
    const Writing writing(*this);
    SendMessageW(window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void DialogWindow::SelectAllText(ControlId field) {
  if (const HWND window = WindowOf(field)) {
    SendMessageW(window, EM_SETSEL, 0, -1);
  }
}

void DialogWindow::FocusFirstControl() {
  if (IdOf(GetFocus()) != kNoControl) return;
  const HWND dialog = dialog_.get();
  if (const HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE)) {
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
  }
}

void DialogWindow::RunModal() {
  if (running_ || ended_ || !dialog_) return;
  running_ = true;
  const HWND dialog = dialog_.get();
  const ModalDialogScope modal(dialog);
  ThreadWindowsDisabled host_windows(dialog);
  ShowWindow(dialog, SW_SHOWNORMAL);
  SetForegroundWindow(dialog);
  FocusFirstControl();
  bool quit = false;
  WPARAM quit_code = 0;
  while (!ended_) {
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) break;  // only for an invalid window filter; none is given
    if (got == 0) {
      // The thread's loop is ending: the dialog closes, and the loop that
      // runs outside it must see the WM_QUIT too.
      quit = true;
      quit_code = message.wParam;
      ReportToModel(quiet_, [&] { events_.OnCloseRequest(); });
      break;
    }
    if (!RouteToModalDialog(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  ended_ = true;
  // Enabled before the dialog goes, so that activation returns to the host.
  host_windows.Restore();
  if (dialog_) ShowWindow(dialog_.get(), SW_HIDE);
  running_ = false;
  if (quit) PostQuitMessage(static_cast<int>(quit_code));
}

void DialogWindow::EndModal() {
  ended_ = true;
  // Wakes the modal loop if it waits for a message.
  if (dialog_) {
    PostMessageW(dialog_.get(), WM_NULL, 0, 0);
  } else {
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
  }
}

void DialogWindow::BringToFront() {
  const HWND dialog = dialog_.get();
  if (!dialog) return;
  const HWND front = GetLastActivePopup(dialog);
  SetForegroundWindow(front ? front : dialog);
  BringWindowToTop(front ? front : dialog);
}

}  // namespace quorvix::win32
