#pragma once
// The configuration dialog as a back end sees it: plain data to build the
// controls from, the calls through which the model shows its state, and the
// events a view reports back. The model (ui/) owns every behaviour and every
// chain of handlers; a view only translates native events into
// DialogEvents calls and shows what the model writes, suppressing the native
// echoes of those writes (a text set by code is not reported as an edit).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace quorvix {

enum class ControlKind {
  kFrame,          // a group box, drawn behind the controls inside it
  kLabel,          // static text
  kDropDownList,   // fixed entries, no free text
  kTextField,      // one line
  kMultiLineText,  // read-only, no scroll bars
  kScrollBar,      // vertical, used as an up-down
  kCheckBox,
  kButton,
  kLine,  // an etched horizontal line
};

enum class TextAlignment { kLeft, kRight };

// Twips: 1440 to the logical inch, 15 to the pixel at 96 DPI.
struct TwipRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Index of a control in DialogLayout::controls.
using ControlId = int;
inline constexpr ControlId kNoControl = -1;

struct ControlLayout {
  std::string_view name;  // "cmbCOM", "txtSend", ...
  ControlKind kind = ControlKind::kLabel;
  ControlId container = kNoControl;  // its frame, or kNoControl: the window
  // UTF-8. "&" marks the next letter as the accelerator ("&&" is a plain
  // ampersand). A field's initial text; empty for lists, bars and the line.
  std::string_view caption;
  // The widest text the control must show whole, when that is not its
  // caption: the largest number a field holds, the widest entry of a list.
  std::string_view widest;
  // Within the window's inner area (a frame's offset already added). A line
  // runs from (left, top) to (left + width, top).
  TwipRect bounds;
  // -1: not a tab stop. Frames and labels keep their number from the form
  // but never take the focus.
  int tab_index = -1;
  // Scroll bars only. The position grows downward.
  int range_min = 0;
  int range_max = 0;
  int position = 0;
  TextAlignment alignment = TextAlignment::kLeft;
  bool default_button = false;
};

struct DialogLayout {
  std::string_view caption;  // UTF-8
  int width = 0;             // inner area, twips
  int height = 0;
  std::span<const ControlLayout> controls;
};

// What a native scroll-bar notification asked for. Line and page steps move
// by one; top, bottom and thumb position set the position; thumb tracking and
// the end of a scroll change nothing.
enum class ScrollAction {
  kLineUp,
  kLineDown,
  kPageUp,
  kPageDown,
  kTop,
  kBottom,
  kThumbPosition,
  kThumbTrack,
  kEndScroll,
};

// The user's side: what a view reports, in the order the native window
// delivers it. A click on another control reports the focus move first.
class DialogEvents {
 public:
  virtual ~DialogEvents() = default;

  // The user picked entry `index` of a drop-down list, by mouse or keyboard.
  // Selections made through DialogView::SetListSelection are never reported.
  virtual void OnListChoice(ControlId list, int index) = 0;

  // A character typed or posted into a text field, before the field takes it
  // (`code` is the UTF-16 code unit; control keys too, 8 for Backspace, 22
  // for Ctrl+V). False discards it.
  virtual bool OnKeyPress(ControlId field, std::uint32_t code) = 0;

  // The user changed the text of a field (typing, paste); `text` is the
  // field's whole new text, UTF-8.
  virtual void OnTextEdited(ControlId field, std::string_view text) = 0;

  // `thumb_position` is meaningful for kThumbPosition and kThumbTrack.
  virtual void OnScroll(ControlId bar, ScrollAction action,
                        int thumb_position) = 0;

  virtual void OnCheckToggled(ControlId box, bool checked) = 0;

  // The focus moves from one control of the dialog to another. Not reported
  // when the window as a whole loses or gains the focus.
  virtual void OnFocusMoving(ControlId from, ControlId to) = 0;

  // A button was pressed (click, Enter on the default button, accelerator).
  virtual void OnButton(ControlId button) = 0;

  // The close box, or the end of the thread's message loop.
  virtual void OnCloseRequest() = 0;
};

// One open dialog window. Destroying it destroys the window.
class DialogView {
 public:
  virtual ~DialogView() = default;

  // A caption or a field's text (UTF-8). In a field the caret then stands at
  // the end of the text.
  virtual void SetText(ControlId control, std::string_view text) = 0;
  virtual void SetListEntries(ControlId list,
                              std::span<const std::string> entries) = 0;
  // -1 selects nothing.
  virtual void SetListSelection(ControlId list, int index) = 0;
  virtual void SetScrollPosition(ControlId bar, int position) = 0;
  virtual void SetChecked(ControlId box, bool checked) = 0;
  // Selects a field's whole text without moving the focus.
  virtual void SelectAllText(ControlId field) = 0;

  // Shows the window and runs the thread's events until EndModal; the
  // host's other windows do not take input meanwhile.
  virtual void RunModal() = 0;
  // Makes RunModal return once the running event is done.
  virtual void EndModal() = 0;
  virtual void BringToFront() = 0;
};

class DialogViews {
 public:
  virtual ~DialogViews() = default;

  // Builds the window from `layout`, not yet shown. `events` outlives it.
  virtual std::unique_ptr<DialogView> Create(const DialogLayout& layout,
                                             DialogEvents& events) = 0;
};

}  // namespace quorvix
