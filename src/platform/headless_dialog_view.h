#pragma once
// A dialog nobody can see: built, shown and closed at once, untouched. What
// Configure does where no window can be shown (Linux without a display).

#include <memory>

#include "platform/dialog_view.h"

namespace quorvix {

class HeadlessDialogView final : public DialogView {
 public:
  explicit HeadlessDialogView(DialogEvents& events) : events_(events) {}

  void SetText(ControlId, std::string_view) override {}
  void SetListEntries(ControlId, std::span<const std::string>) override {}
  void SetListSelection(ControlId, int) override {}
  void SetScrollPosition(ControlId, int) override {}
  void SetChecked(ControlId, bool) override {}
  void SelectAllText(ControlId) override {}
  // The only user action a headless dialog gets is its closing.
  void RunModal() override { events_.OnCloseRequest(); }
  void EndModal() override {}
  void BringToFront() override {}

 private:
  DialogEvents& events_;
};

class HeadlessDialogViews final : public DialogViews {
 public:
  std::unique_ptr<DialogView> Create(const DialogLayout&,
                                     DialogEvents& events) override {
    return std::make_unique<HeadlessDialogView>(events);
  }
};

}  // namespace quorvix
