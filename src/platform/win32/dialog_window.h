#pragma once
// The configuration dialog as a real Win32 dialog: a fixed-size tool window
// built at run time from the layout table, modal as a classic form. The
// dialog manager gives it Tab, Enter for the default button and the
// accelerators; the window closes only by its close box (or the end of the
// thread's message loop) and only through the model: Escape does nothing.
// Native echoes of the model's own writes are not reported. It is owned by
// the host's active window, if any, and goes when its owner does: the model
// then closes it as if asked. Control ids are 1000 + the control's place in
// the layout table (tools and tests find the controls by them).

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/dialog_view.h"
#include "platform/win32/control_subclass.h"
#include "platform/win32/gdi.h"
#include "platform/win32/unique_handle.h"

namespace quorvix::win32 {

class DialogWindow final : public DialogView {
 public:
  // Throws Error (51) when the window cannot be created.
  DialogWindow(HINSTANCE instance, const DialogLayout& layout,
               DialogEvents& events);
  ~DialogWindow() override;
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  void SetText(ControlId control, std::string_view text) override;
  void SetListEntries(ControlId list,
                      std::span<const std::string> entries) override;
  void SetListSelection(ControlId list, int index) override;
  void SetScrollPosition(ControlId bar, int position) override;
  void SetChecked(ControlId box, bool checked) override;
  void SelectAllText(ControlId field) override;
  void RunModal() override;
  void EndModal() override;
  void BringToFront() override;

 private:
  // How a pick from a list's open drop-down ended, until its end is handled.
  enum class PickEnd { kNone, kChosen, kCancelled };
  struct Control {
    ControlKind kind;
    TwipRect bounds;
    HWND window = nullptr;
    // Lists: the entry the model knows as shown, and the open drop-down.
    int entry = -1;
    bool dropped = false;
    PickEnd pick_end = PickEnd::kNone;
  };
  // Counts the model's writes in progress: their native echoes are not the
  // user's doing.
  class Writing;

  static INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message,
                                          WPARAM wparam, LPARAM lparam);
  INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void OnDestroyed();
  void OnCommand(WPARAM wparam, LPARAM lparam);
  void OnListNotification(ControlId id, WORD code);
  void OnPickEnded(ControlId id);
  void ReportChoice(ControlId id);
  void OnScroll(WPARAM wparam, LPARAM lparam);
  void Build(HINSTANCE instance, const DialogLayout& layout);
  void Place();
  void Hook(ControlId id);
  void FocusFirstControl();
  ControlId IdOf(HWND window) const;
  HWND WindowOf(ControlId id) const;

  DialogEvents& events_;
  std::vector<Control> controls_;
  // Before the window: the hooks and the font must outlive the controls.
  std::vector<std::unique_ptr<ControlSubclass>> hooks_;
  UniqueFont font_;
  UniqueWindow dialog_;
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  SIZE inner_{};  // twips
  int writing_ = 0;
  bool quiet_ = true;  // while it is built or destroyed
  bool running_ = false;
  bool ended_ = false;
};

}  // namespace quorvix::win32
