#pragma once
// The configuration dialog as a GTK 3 window built from the layout table: a
// plain GtkWindow (a GtkDialog would close on Escape), not resizable,
// centred, modal and transient for the host's active window, kept out of
// the task bar. The controls sit on grids that keep the table's groups,
// rows and order; GTK's fonts size them. Tab follows the table's tab
// order, Enter presses the default button unless another button has the
// focus, Alt+S and Alt+T are mnemonics, Escape does nothing, and arrow keys
// never move the focus. The window closes only through the model, which
// the window manager's close asks, or the host destroying the window it
// stands over (it is hidden at once and the model closes as if asked).
// Every write of the model reaches the widgets with their change signals
// blocked.

#include <gtk/gtk.h>

#include <memory>
#include <vector>

#include "platform/dialog_view.h"
#include "platform/gtk/control_widgets.h"
#include "platform/gtk/gobject_ref.h"

namespace quorvix::gtk {

class DialogWindow final : public DialogView {
 public:
  DialogWindow(const DialogLayout& layout, DialogEvents& events);
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
  struct Control {
    DialogWindow* view = nullptr;
    ControlId id = kNoControl;
    ControlKind kind = ControlKind::kLabel;
    ControlWidgets widgets;
    gulong echo = 0;  // the handler that a model write must not wake
    // Lists: whether "changed" came since the drop-down opened.
    bool changed_in_popup = false;
  };
  struct LoopUnref {
    void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
  };

  void Build(const DialogLayout& layout);
  void Place(const DialogLayout& layout);
  void Connect(Control& control);
  void ConnectWindow();
  GtkWidget* FocusTarget(ControlId id) const;
  ControlId ControlOf(GtkWidget* widget) const;
  ControlKind KindOf(ControlId id) const;
  void MoveFocus(bool forward);
  bool OnWindowKey(GdkEventKey* key);
  bool OnFieldKey(ControlId field, const GdkEventKey* key);

  static void OnListChanged(GtkComboBox* list, Control* control);
  static void OnPopupShown(GtkComboBox* list, GParamSpec*, Control* control);
  static void OnMenuActivated(GtkWidget* menu, const gchar* path,
                              Control* control);
  static void OnEntryChanged(GtkEditable* entry, Control* control);
  static gboolean OnEntryKey(GtkWidget* entry, GdkEventKey* key,
                             Control* control);
  static void OnToggled(GtkToggleButton* box, Control* control);
  static void OnClicked(GtkButton* button, Control* control);
  static void OnArrowUp(GtkButton* button, Control* control);
  static void OnArrowDown(GtkButton* button, Control* control);
  static gboolean OnDelete(GtkWidget* window, GdkEvent* event,
                           DialogWindow* self);
  static gboolean OnKey(GtkWidget* window, GdkEventKey* key,
                        DialogWindow* self);
  static void OnSetFocus(GtkWindow* window, GtkWidget* widget,
                         DialogWindow* self);
  static void OnOwnerDestroyed(GtkWidget* owner, DialogWindow* self);

  DialogEvents& events_;
  GObjectRef<GtkStyleProvider> arrow_style_;
  // Before the window: the handlers point into it while the window goes.
  std::vector<Control> controls_;
  std::vector<ControlId> tab_order_;
  ControlId default_button_ = kNoControl;
  // Held so that its "destroy" handler can be let go safely.
  GObjectRef<GtkWindow> owner_;
  gulong owner_destroyed_ = 0;
  OwnedWindow window_;
  std::unique_ptr<GMainLoop, LoopUnref> loop_;
  bool quiet_ = true;  // while it is built or destroyed
  bool running_ = false;
  bool ended_ = false;
};

}  // namespace quorvix::gtk
