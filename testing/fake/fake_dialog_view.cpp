#include "testing/fake/fake_dialog_view.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/windows_1252.h"

namespace quorvix::fake {
namespace {

bool TakesFocus(ControlKind kind) {
  switch (kind) {
    case ControlKind::kFrame:
    case ControlKind::kLabel:
    case ControlKind::kLine: return false;
    default: return true;
  }
}

// Code points of UTF-8 text; the fake's user types well-formed text.
std::vector<std::uint32_t> CodePoints(std::string_view utf8) {
  std::vector<std::uint32_t> codes;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length && i + k < utf8.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    codes.push_back(code);
    i += length;
  }
  return codes;
}

void PopCharacter(std::string& text) {
  while (!text.empty() &&
         (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) {
    text.pop_back();
  }
  if (!text.empty()) text.pop_back();
}

}  // namespace

FakeDialog::FakeDialog(const DialogLayout& layout, DialogEvents& events)
    : caption_(layout.caption), events_(&events) {
  int first_tab = -1;
  for (const ControlLayout& item : layout.controls) {
    Control control;
    control.name = std::string(item.name);
    control.kind = item.kind;
    control.text = std::string(item.caption);
    control.position = item.position;
    control.default_button = item.default_button;
    controls_.push_back(std::move(control));
    // The window starts with the focus on the first tab stop.
    if (TakesFocus(item.kind) && item.tab_index >= 0 &&
        (first_tab < 0 || item.tab_index < first_tab)) {
      first_tab = item.tab_index;
      focus_ = static_cast<ControlId>(controls_.size() - 1);
    }
  }
}

ControlId FakeDialog::Find(std::string_view name) const {
  const auto found =
      std::find_if(controls_.begin(), controls_.end(),
                   [name](const Control& c) { return c.name == name; });
  if (found == controls_.end()) {
    throw std::invalid_argument("FakeDialog: no control " + std::string(name));
  }
  return static_cast<ControlId>(found - controls_.begin());
}

const std::string& FakeDialog::Text(std::string_view control) const {
  return At(control).text;
}
const std::vector<std::string>& FakeDialog::Entries(
    std::string_view list) const {
  return At(list).entries;
}
int FakeDialog::Selection(std::string_view list) const {
  return At(list).selection;
}
std::string FakeDialog::Selected(std::string_view list) const {
  const Control& control = At(list);
  if (control.selection < 0 ||
      control.selection >= static_cast<int>(control.entries.size())) {
    return {};
  }
  return control.entries[control.selection];
}
int FakeDialog::Position(std::string_view bar) const {
  return At(bar).position;
}
bool FakeDialog::Checked(std::string_view box) const { return At(box).checked; }
bool FakeDialog::AllSelected(std::string_view field) const {
  return At(field).all_selected;
}
int FakeDialog::TextWrites(std::string_view control) const {
  return At(control).text_writes;
}
std::string_view FakeDialog::Focus() const {
  return focus_ == kNoControl ? std::string_view() : controls_[focus_].name;
}

ControlId FakeDialog::ActOn(std::string_view name) {
  if (!open_) throw std::logic_error("FakeDialog: the dialog is closed");
  const ControlId target = Find(name);
  if (target != focus_) {
    const ControlId from = std::exchange(focus_, target);
    events_->OnFocusMoving(from, target);
  }
  return target;
}

void FakeDialog::MoveFocus(std::string_view control) { ActOn(control); }

void FakeDialog::Type(std::string_view field, std::string_view characters) {
  const ControlId id = ActOn(field);
  for (const std::uint32_t code : CodePoints(characters)) {
    if (!open_) return;
    if (!events_->OnKeyPress(id, code)) continue;
    Control& control = controls_[id];
    if (std::exchange(control.all_selected, false)) control.text.clear();
    if (code == 8) {
      PopCharacter(control.text);
    } else {
      AppendUtf8(control.text, code);
    }
    const std::string edited = control.text;  // the model may rewrite it
    events_->OnTextEdited(id, edited);
  }
}

void FakeDialog::Paste(std::string_view field, std::string_view text) {
  const ControlId id = ActOn(field);
  controls_[id].text = std::string(text);
  controls_[id].all_selected = false;
  const std::string edited = controls_[id].text;
  events_->OnTextEdited(id, edited);
}

void FakeDialog::Scroll(std::string_view bar, ScrollAction action,
                        int thumb_position) {
  const ControlId id = ActOn(bar);
  if (open_) events_->OnScroll(id, action, thumb_position);
}

void FakeDialog::Pick(std::string_view list, std::string_view entry) {
  const ControlId id = ActOn(list);
  const std::vector<std::string>& entries = controls_[id].entries;
  const auto found = std::find(entries.begin(), entries.end(), entry);
  if (found == entries.end()) {
    throw std::invalid_argument("FakeDialog: no entry " + std::string(entry));
  }
  const int index = static_cast<int>(found - entries.begin());
  controls_[id].selection = index;
  if (open_) events_->OnListChoice(id, index);
}

void FakeDialog::Toggle(std::string_view box) {
  const ControlId id = ActOn(box);
  controls_[id].checked = !controls_[id].checked;
  if (open_) events_->OnCheckToggled(id, controls_[id].checked);
}

void FakeDialog::Press(std::string_view button) {
  const ControlId id = ActOn(button);
  if (open_) events_->OnButton(id);
}

void FakeDialog::PressEnter() {
  if (!open_) throw std::logic_error("FakeDialog: the dialog is closed");
  ControlId target = focus_;
  if (target == kNoControl || controls_[target].kind != ControlKind::kButton) {
    const auto found =
        std::find_if(controls_.begin(), controls_.end(),
                     [](const Control& c) { return c.default_button; });
    if (found == controls_.end()) return;
    target = static_cast<ControlId>(found - controls_.begin());
  }
  events_->OnButton(target);
}

void FakeDialog::Close() {
  if (!open_) throw std::logic_error("FakeDialog: the dialog is closed");
  events_->OnCloseRequest();
}

void FakeDialog::Write(ControlId control, std::string_view text) {
  Control& c = controls_.at(control);
  c.text = std::string(text);
  c.all_selected = false;
  ++c.text_writes;
}
void FakeDialog::WriteEntries(ControlId list,
                              std::span<const std::string> entries) {
  controls_.at(list).entries.assign(entries.begin(), entries.end());
  controls_.at(list).selection = -1;
}
void FakeDialog::WriteSelection(ControlId list, int index) {
  controls_.at(list).selection = index;
}
void FakeDialog::WritePosition(ControlId bar, int position) {
  controls_.at(bar).position = position;
}
void FakeDialog::WriteCheck(ControlId box, bool checked) {
  controls_.at(box).checked = checked;
}
void FakeDialog::WriteSelectAll(ControlId field) {
  controls_.at(field).all_selected = true;
}

// --- the window ---

class FakeDialogViews::View final : public DialogView {
 public:
  View(FakeDialogViews& views, FakeDialog& dialog)
      : views_(views), dialog_(dialog) {}
  ~View() override {
    dialog_.Ended();
    if (views_.open_ == &dialog_) views_.open_ = nullptr;
  }

  void SetText(ControlId control, std::string_view text) override {
    dialog_.Write(control, text);
  }
  void SetListEntries(ControlId list,
                      std::span<const std::string> entries) override {
    dialog_.WriteEntries(list, entries);
  }
  void SetListSelection(ControlId list, int index) override {
    dialog_.WriteSelection(list, index);
  }
  void SetScrollPosition(ControlId bar, int position) override {
    dialog_.WritePosition(bar, position);
  }
  void SetChecked(ControlId box, bool checked) override {
    dialog_.WriteCheck(box, checked);
  }
  void SelectAllText(ControlId field) override {
    dialog_.WriteSelectAll(field);
  }
  void RunModal() override { views_.RunModal(dialog_, ended_); }
  void EndModal() override {
    ended_ = true;
    dialog_.Ended();
  }
  void BringToFront() override { dialog_.BroughtToFront(); }

 private:
  FakeDialogViews& views_;
  FakeDialog& dialog_;
  bool ended_ = false;
};

std::unique_ptr<DialogView> FakeDialogViews::Create(const DialogLayout& layout,
                                                    DialogEvents& events) {
  dialogs_.push_back(std::make_unique<FakeDialog>(layout, events));
  open_ = dialogs_.back().get();
  return std::make_unique<View>(*this, *open_);
}

void FakeDialogViews::RunModal(FakeDialog& dialog, const bool& ended) {
  while (!ended) {
    if (loop_.HasPending()) {
      loop_.PumpPending();
    } else if (!steps_.empty()) {
      const Step step = std::move(steps_.front());
      steps_.pop_front();
      step(dialog);
    } else if (timed_steps_ > 0) {
      loop_.WaitAndPump(Clock::time_point::max());
    } else {
      dialog.Close();
      if (!ended) throw std::logic_error("FakeDialog: the dialog stays open");
    }
  }
}

void FakeDialogViews::Then(Step step) { steps_.push_back(std::move(step)); }

void FakeDialogViews::At(Clock::time_point when, Step step) {
  ++timed_steps_;
  loop_.PostAt(when, [this, step = std::move(step)] {
    --timed_steps_;
    if (open_ != nullptr && open_->open()) step(*open_);
  });
}

const FakeDialog& FakeDialogViews::last() const {
  if (dialogs_.empty()) throw std::logic_error("FakeDialog: never opened");
  return *dialogs_.back();
}

}  // namespace quorvix::fake
