#pragma once
// A dialog window for tests: it records what the model shows and plays a
// scripted user, who reports events in the order a real window delivers
// them (acting on another control moves the focus there first).
//
// The user's steps run one after the other at the top of the modal loop, or
// at a moment of the fake clock inside whatever pump runs then (so a test
// can press a button while the connection test waits). When no step is left,
// the user closes the dialog; steps left when it closes wait for the next
// opening.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog_view.h"
#include "testing/fake/fake_event_loop.h"

namespace quorvix::fake {

// One opening of the dialog: what it shows, and the user in front of it.
// The record stays readable after the window is gone.
class FakeDialog {
 public:
  FakeDialog(const DialogLayout& layout, DialogEvents& events);

  // --- what the model wrote (controls by name) ---
  std::string_view caption() const { return caption_; }
  const std::string& Text(std::string_view control) const;
  const std::vector<std::string>& Entries(std::string_view list) const;
  int Selection(std::string_view list) const;
  // The selected entry's text, empty when nothing is selected.
  std::string Selected(std::string_view list) const;
  int Position(std::string_view bar) const;
  bool Checked(std::string_view box) const;
  // Whether the field's whole text is selected (a later write or edit ends
  // the selection).
  bool AllSelected(std::string_view field) const;
  // How often the model wrote the control's text.
  int TextWrites(std::string_view control) const;
  std::string_view Focus() const;
  int front_calls() const { return front_calls_; }
  bool open() const { return open_; }

  // --- the user ---
  void MoveFocus(std::string_view control);
  // Each character is offered as a key press and, when accepted, edits the
  // field at the caret (the end, or the whole text while it is selected);
  // "\b" is Backspace.
  void Type(std::string_view field, std::string_view characters);
  // Replaces the whole text through the context menu: no key presses.
  void Paste(std::string_view field, std::string_view text);
  void Scroll(std::string_view bar, ScrollAction action,
              int thumb_position = 0);
  void ClickUpArrow(std::string_view bar) {
    Scroll(bar, ScrollAction::kLineUp);
  }
  void ClickDownArrow(std::string_view bar) {
    Scroll(bar, ScrollAction::kLineDown);
  }
  void Pick(std::string_view list, std::string_view entry);
  void Toggle(std::string_view box);
  void Press(std::string_view button);
  // Enter: the focused button, else the default button; the focus stays.
  void PressEnter();
  void Close();

  // --- for the view ---
  void Write(ControlId control, std::string_view text);
  void WriteEntries(ControlId list, std::span<const std::string> entries);
  void WriteSelection(ControlId list, int index);
  void WritePosition(ControlId bar, int position);
  void WriteCheck(ControlId box, bool checked);
  void WriteSelectAll(ControlId field);
  void BroughtToFront() { ++front_calls_; }
  void Ended() { open_ = false; }

 private:
  struct Control {
    std::string name;
    ControlKind kind;
    std::string text;
    std::vector<std::string> entries;
    int selection = -1;
    int position = 0;
    bool checked = false;
    bool all_selected = false;
    int text_writes = 0;
    bool default_button = false;
  };

  ControlId Find(std::string_view name) const;
  const Control& At(std::string_view name) const {
    return controls_[Find(name)];
  }
  // The user acts only on an open window, after moving the focus.
  ControlId ActOn(std::string_view name);

  std::string caption_;
  std::vector<Control> controls_;
  DialogEvents* events_;
  ControlId focus_ = kNoControl;
  int front_calls_ = 0;
  bool open_ = true;
};

class FakeDialogViews final : public DialogViews {
 public:
  using Step = std::function<void(FakeDialog&)>;

  explicit FakeDialogViews(FakeEventLoop& loop) : loop_(loop) {}
  FakeDialogViews(const FakeDialogViews&) = delete;
  FakeDialogViews& operator=(const FakeDialogViews&) = delete;

  std::unique_ptr<DialogView> Create(const DialogLayout& layout,
                                     DialogEvents& events) override;

  // The user's next step, once the steps before it and every pending event
  // are done.
  void Then(Step step);
  // A step at a moment of the fake clock, inside the pump that runs then;
  // dropped when no dialog is open by then.
  void At(Clock::time_point when, Step step);
  void After(std::chrono::milliseconds delay, Step step) {
    At(loop_.Now() + delay, std::move(step));
  }

  // The dialog on screen, or nullptr.
  FakeDialog* open() { return open_; }
  // The latest opening, open or closed; there must have been one.
  const FakeDialog& last() const;
  int openings() const { return static_cast<int>(dialogs_.size()); }

 private:
  class View;

  void RunModal(FakeDialog& dialog, const bool& ended);

  FakeEventLoop& loop_;
  std::vector<std::unique_ptr<FakeDialog>> dialogs_;
  FakeDialog* open_ = nullptr;
  std::deque<Step> steps_;
  int timed_steps_ = 0;
};

}  // namespace quorvix::fake
