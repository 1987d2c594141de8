#pragma once
// The dialog and the message boxes that the UI choice picks; a message
// sink the host set wins over both.

#include <glib.h>

#include <memory>

#include "host_sinks.h"
#include "platform/dialog_view.h"
#include "platform/headless_dialog_view.h"
#include "platform/message_box.h"
#include "ui_choice.h"

namespace quorvix::capi {

class ChosenDialogViews final : public DialogViews {
 public:
  ChosenDialogViews(UiChoice& choice, GMainContext* pinned)
      : choice_(choice), pinned_(pinned) {}

  std::unique_ptr<DialogView> Create(const DialogLayout& layout,
                                     DialogEvents& events) override {
    if (UiModule* const gtk = choice_.Gtk(pinned_)) {
      return gtk->dialogs().Create(layout, events);
    }
    return headless_.Create(layout, events);
  }

 private:
  UiChoice& choice_;
  GMainContext* pinned_;
  HeadlessDialogViews headless_;
};

class ChosenMessageBoxes final : public MessageBoxes {
 public:
  ChosenMessageBoxes(HostMessageSink& host, UiChoice& choice,
                     GMainContext* pinned)
      : host_(host), choice_(choice), pinned_(pinned) {}

  void Show(MessageIcon icon, std::string_view text) override {
    if (!host_.HostSet()) {
      if (UiModule* const gtk = choice_.Gtk(pinned_)) {
        gtk->messages().Show(icon, text);
        return;
      }
    }
    host_.Show(icon, text);
  }

 private:
  HostMessageSink& host_;
  UiChoice& choice_;
  GMainContext* pinned_;
};

}  // namespace quorvix::capi
