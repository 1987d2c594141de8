#include "platform/gtk/dialog_window.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "platform/gtk/captions.h"
#include "platform/gtk/grid_cells.h"
#include "platform/gtk/keys.h"
#include "platform/gtk/owner_window.h"
#include "platform/guard.h"

namespace quorvix::gtk {
namespace {

constexpr int kSpacing = 6;  // pixels between cells and inside frames

bool Focusable(ControlKind kind) {
  return kind != ControlKind::kFrame && kind != ControlKind::kLabel &&
         kind != ControlKind::kLine;
}

GtkWidget* NewGrid() {
  GtkWidget* const grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), kSpacing);
  gtk_grid_set_column_spacing(GTK_GRID(grid), kSpacing);
  gtk_container_set_border_width(GTK_CONTAINER(grid), kSpacing);
  return grid;
}

// Valid UTF-8 whatever the model hands over; GTK refuses anything else.
std::string ValidText(std::string_view text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
    return std::string(text);
  }
  gchar* const valid =
      g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  std::string result(valid);
  g_free(valid);
  return result;
}

}  // namespace

DialogWindow::DialogWindow(const DialogLayout& layout, DialogEvents& events)
    : events_(events),
      arrow_style_(AdoptRef(NewArrowStyle())),
      controls_(layout.controls.size()),
      window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)) {
  GtkWindow* const window = GTK_WINDOW(window_.get());
  const std::string caption = ValidText(layout.caption);
  gtk_window_set_title(window, caption.c_str());
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_modal(window, TRUE);
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_skip_taskbar_hint(window, TRUE);
  gtk_window_set_skip_pager_hint(window, TRUE);
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  if (GtkWindow* const owner = OwnerWindow()) {
    gtk_window_set_transient_for(window, owner);
    owner_ = SinkRef(owner);
    owner_destroyed_ =
        g_signal_connect(owner, "destroy", G_CALLBACK(OnOwnerDestroyed), this);
  }
  Build(layout);
  ConnectWindow();
  quiet_ = false;
}

DialogWindow::~DialogWindow() {
  // Destruction moves the focus and emits signals; nobody listens now.
  quiet_ = true;
  if (owner_.get() != nullptr &&
      g_signal_handler_is_connected(owner_.get(), owner_destroyed_)) {
    g_signal_handler_disconnect(owner_.get(), owner_destroyed_);
  }
}

void DialogWindow::Build(const DialogLayout& layout) {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const ControlLayout& item = layout.controls[i];
    Control& control = controls_[i];
    control.view = this;
    control.id = static_cast<ControlId>(i);
    control.kind = item.kind;
    control.widgets = CreateControlWidgets(item, arrow_style_.get());
    if (Focusable(item.kind) && item.tab_index >= 0) {
      tab_order_.push_back(control.id);
    }
    if (item.default_button) default_button_ = control.id;
  }
  std::stable_sort(
      tab_order_.begin(), tab_order_.end(), [&](ControlId a, ControlId b) {
        return layout.controls[static_cast<std::size_t>(a)].tab_index <
               layout.controls[static_cast<std::size_t>(b)].tab_index;
      });
  Place(layout);
  for (Control& control : controls_) Connect(control);
  if (default_button_ != kNoControl) {
    GtkWidget* const button = FocusTarget(default_button_);
    gtk_widget_set_can_default(button, TRUE);
    gtk_window_set_default(GTK_WINDOW(window_.get()), button);
  }
}

// The window's controls (the frames) on one grid, each frame's controls on
// a grid of its own.
void DialogWindow::Place(const DialogLayout& layout) {
  std::map<ControlId, std::vector<ControlId>> members;
  for (const Control& control : controls_) {
    members[layout.controls[static_cast<std::size_t>(control.id)].container]
        .push_back(control.id);
  }
  std::map<ControlId, GtkWidget*> grids;
  grids[kNoControl] = NewGrid();
  gtk_container_add(GTK_CONTAINER(window_.get()), grids[kNoControl]);
  for (const Control& control : controls_) {
    if (control.kind != ControlKind::kFrame) continue;
    GtkWidget* const grid = NewGrid();
    gtk_container_add(GTK_CONTAINER(control.widgets.placed), grid);
    grids[control.id] = grid;
  }
  for (const auto& [container, ids] : members) {
    std::vector<TwipRect> bounds;
    for (const ControlId id : ids) {
      bounds.push_back(layout.controls[static_cast<std::size_t>(id)].bounds);
    }
    const std::vector<GridCell> cells = GridCells(bounds);
    GtkWidget* const grid = grids.at(container);
    for (std::size_t i = 0; i < ids.size(); ++i) {
      gtk_grid_attach(
          GTK_GRID(grid),
          controls_[static_cast<std::size_t>(ids[i])].widgets.placed,
          cells[i].column, cells[i].row, cells[i].columns, cells[i].rows);
    }
  }
}

void DialogWindow::Connect(Control& control) {
  GtkWidget* const shown = control.widgets.shown;
  switch (control.kind) {
    case ControlKind::kDropDownList:
      control.echo = g_signal_connect(shown, "changed",
                                      G_CALLBACK(OnListChanged), &control);
      g_signal_connect(shown, "notify::popup-shown", G_CALLBACK(OnPopupShown),
                       &control);
      break;
    case ControlKind::kTextField:
      control.echo = g_signal_connect(shown, "changed",
                                      G_CALLBACK(OnEntryChanged), &control);
      g_signal_connect(shown, "key-press-event", G_CALLBACK(OnEntryKey),
                       &control);
      break;
    case ControlKind::kCheckBox:
      control.echo =
          g_signal_connect(shown, "toggled", G_CALLBACK(OnToggled), &control);
      break;
    case ControlKind::kButton:
      g_signal_connect(shown, "clicked", G_CALLBACK(OnClicked), &control);
      break;
    case ControlKind::kScrollBar:
      g_signal_connect(control.widgets.up, "clicked", G_CALLBACK(OnArrowUp),
                       &control);
      g_signal_connect(control.widgets.down, "clicked", G_CALLBACK(OnArrowDown),
                       &control);
      break;
    default: break;
  }
}

void DialogWindow::ConnectWindow() {
  GtkWidget* const window = window_.get();
  g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), this);
  g_signal_connect(window, "key-press-event", G_CALLBACK(OnKey), this);
  g_signal_connect(window, "set-focus", G_CALLBACK(OnSetFocus), this);
}

GtkWidget* DialogWindow::FocusTarget(ControlId id) const {
  const ControlWidgets& widgets =
      controls_[static_cast<std::size_t>(id)].widgets;
  return widgets.up != nullptr ? widgets.up : widgets.shown;
}

ControlId DialogWindow::ControlOf(GtkWidget* widget) const {
  if (widget == nullptr) return kNoControl;
  for (const Control& control : controls_) {
    if (control.kind == ControlKind::kFrame) continue;  // holds the others
    GtkWidget* const placed = control.widgets.placed;
    if (widget == placed || gtk_widget_is_ancestor(widget, placed)) {
      return control.id;
    }
  }
  return kNoControl;
}

ControlKind DialogWindow::KindOf(ControlId id) const {
  return id == kNoControl ? ControlKind::kFrame
                          : controls_[static_cast<std::size_t>(id)].kind;
}

void DialogWindow::MoveFocus(bool forward) {
  if (tab_order_.empty()) return;
  const ControlId now =
      ControlOf(gtk_window_get_focus(GTK_WINDOW(window_.get())));
  const auto at = std::find(tab_order_.begin(), tab_order_.end(), now);
  const auto count = static_cast<std::ptrdiff_t>(tab_order_.size());
  std::ptrdiff_t next = 0;
  if (at == tab_order_.end()) {
    next = forward ? 0 : count - 1;
  } else {
    next = ((at - tab_order_.begin()) + (forward ? 1 : count - 1)) % count;
  }
  gtk_widget_grab_focus(
      FocusTarget(tab_order_[static_cast<std::size_t>(next)]));
}

bool DialogWindow::OnWindowKey(GdkEventKey* key) {
  const guint modifiers = key->state & gtk_accelerator_get_default_mod_mask();
  const ControlId focus =
      ControlOf(gtk_window_get_focus(GTK_WINDOW(window_.get())));
  if (IsTabKey(key->keyval)) {
    if (modifiers & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return false;
    MoveFocus(!(modifiers & GDK_SHIFT_MASK) &&
              key->keyval != GDK_KEY_ISO_Left_Tab);
    return true;
  }
  if (key->keyval == GDK_KEY_Escape) return true;  // there is no Cancel
  if (IsEnterKey(key->keyval)) {
    if (KindOf(focus) == ControlKind::kButton) return false;  // pressed
    if (default_button_ != kNoControl) {
      gtk_button_clicked(GTK_BUTTON(FocusTarget(default_button_)));
    }
    return true;
  }
  if (KindOf(focus) == ControlKind::kScrollBar && modifiers == 0) {
    if (const auto action = UpDownKeyAction(key->keyval)) {
      ReportToModel(quiet_, [&] { events_.OnScroll(focus, *action, 0); });
      return true;
    }
  }
  if (IsArrowKey(key->keyval)) {
    // The focused control may use it; the window must not move the focus.
    gtk_window_propagate_key_event(GTK_WINDOW(window_.get()), key);
    return true;
  }
  return false;
}

bool DialogWindow::OnFieldKey(ControlId field, const GdkEventKey* key) {
  const std::uint32_t code = TypedCode(key->keyval, key->state);
  if (code == 0 || quiet_) return false;
  bool pass = true;
  ReportToModel(quiet_, [&] { pass = events_.OnKeyPress(field, code); });
  return !pass;
}

// --- what the model writes ---

void DialogWindow::SetText(ControlId control, std::string_view text) {
  if (control < 0 || static_cast<std::size_t>(control) >= controls_.size()) {
    return;
  }
  const Control& target = controls_[static_cast<std::size_t>(control)];
  GtkWidget* const shown = target.widgets.shown;
  const std::string valid = ValidText(text);
  switch (target.kind) {
    case ControlKind::kTextField: {
      const SignalBlocked blocked(shown, target.echo);
      gtk_entry_set_text(GTK_ENTRY(shown), valid.c_str());
      gtk_editable_set_position(GTK_EDITABLE(shown), -1);
      break;
    }
    case ControlKind::kMultiLineText: {
      GtkTextBuffer* const buffer =
          gtk_text_view_get_buffer(GTK_TEXT_VIEW(shown));
      gtk_text_buffer_set_text(buffer, valid.c_str(), -1);
      // The field shows its text from the beginning.
      GtkTextIter start;
      gtk_text_buffer_get_start_iter(buffer, &start);
      gtk_text_buffer_place_cursor(buffer, &start);
      break;
    }
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
      gtk_button_set_label(GTK_BUTTON(shown), MnemonicCaption(valid).c_str());
      break;
    case ControlKind::kLabel:
      gtk_label_set_text_with_mnemonic(GTK_LABEL(shown),
                                       MnemonicCaption(valid).c_str());
      break;
    case ControlKind::kFrame:
      gtk_frame_set_label(GTK_FRAME(shown), valid.c_str());
      break;
    default: break;
  }
}

void DialogWindow::SetListEntries(ControlId list,
                                  std::span<const std::string> entries) {
  if (KindOf(list) != ControlKind::kDropDownList) return;
  const Control& target = controls_[static_cast<std::size_t>(list)];
  GtkComboBoxText* const combo = GTK_COMBO_BOX_TEXT(target.widgets.shown);
  const SignalBlocked blocked(combo, target.echo);
  gtk_combo_box_text_remove_all(combo);
  for (const std::string& entry : entries) {
    gtk_combo_box_text_append_text(combo, ValidText(entry).c_str());
  }
}

void DialogWindow::SetListSelection(ControlId list, int index) {
  if (KindOf(list) != ControlKind::kDropDownList) return;
  const Control& target = controls_[static_cast<std::size_t>(list)];
  const SignalBlocked blocked(target.widgets.shown, target.echo);
  gtk_combo_box_set_active(GTK_COMBO_BOX(target.widgets.shown), index);
}

// The arrows have no position to show; the model keeps it.
void DialogWindow::SetScrollPosition(ControlId, int) {}

void DialogWindow::SetChecked(ControlId box, bool checked) {
  if (KindOf(box) != ControlKind::kCheckBox) return;
  const Control& target = controls_[static_cast<std::size_t>(box)];
  const SignalBlocked blocked(target.widgets.shown, target.echo);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(target.widgets.shown),
                               checked);
}

void DialogWindow::SelectAllText(ControlId field) {
  if (KindOf(field) != ControlKind::kTextField) return;
  gtk_editable_select_region(
      GTK_EDITABLE(controls_[static_cast<std::size_t>(field)].widgets.shown), 0,
      -1);
}

// --- modal life ---

void DialogWindow::RunModal() {
  if (running_ || ended_) return;
  running_ = true;
  GtkWindow* const window = GTK_WINDOW(window_.get());
  const OpenDialogScope open(window);
  // The first tab stop has the focus before GTK picks one by position.
  if (ControlOf(gtk_window_get_focus(window)) == kNoControl &&
      !tab_order_.empty()) {
    gtk_widget_grab_focus(FocusTarget(tab_order_.front()));
  }
  gtk_widget_show_all(window_.get());
  gtk_window_present(window);
  // GTK's events and the plug-in's own arrive on the default context.
  loop_.reset(g_main_loop_new(nullptr, FALSE));
  while (!ended_) g_main_loop_run(loop_.get());
  gtk_widget_hide(window_.get());
  running_ = false;
}

void DialogWindow::EndModal() {
  ended_ = true;
  if (loop_) g_main_loop_quit(loop_.get());
}

void DialogWindow::BringToFront() {
  gtk_window_present(GTK_WINDOW(window_.get()));
}

// --- what GTK reports ---

void DialogWindow::OnListChanged(GtkComboBox* list, Control* control) {
  control->changed_in_popup = true;
  const int index = gtk_combo_box_get_active(list);
  if (index < 0) return;
  ReportToModel(control->view->quiet_, [&] {
    control->view->events_.OnListChoice(control->id, index);
  });
}

// GTK says nothing when the user picks the entry already shown; the menu
// it drops down does ("menu-activate", after the list has taken the entry).
// Where the list drops down something else, that pick stays unreported.
void DialogWindow::OnPopupShown(GtkComboBox* list, GParamSpec*,
                                Control* control) {
  gboolean shown = FALSE;
  g_object_get(list, "popup-shown", &shown, nullptr);
  if (!shown) return;
  control->changed_in_popup = false;
  for (GList* menu = gtk_menu_get_for_attach_widget(GTK_WIDGET(list));
       menu != nullptr; menu = menu->next) {
    const gpointer handler = reinterpret_cast<gpointer>(&OnMenuActivated);
    if (g_signal_lookup("menu-activate", G_OBJECT_TYPE(menu->data)) == 0 ||
        g_signal_handler_find(menu->data,
                              static_cast<GSignalMatchType>(
                                  G_SIGNAL_MATCH_FUNC | G_SIGNAL_MATCH_DATA),
                              0, 0, nullptr, handler, control) != 0) {
      continue;
    }
    g_signal_connect_after(menu->data, "menu-activate",
                           G_CALLBACK(OnMenuActivated), control);
  }
}

void DialogWindow::OnMenuActivated(GtkWidget*, const gchar*, Control* control) {
  if (std::exchange(control->changed_in_popup, false)) return;
  const int index =
      gtk_combo_box_get_active(GTK_COMBO_BOX(control->widgets.shown));
  if (index < 0) return;
  ReportToModel(control->view->quiet_, [&] {
    control->view->events_.OnListChoice(control->id, index);
  });
}

void DialogWindow::OnEntryChanged(GtkEditable* entry, Control* control) {
  const std::string text = gtk_entry_get_text(GTK_ENTRY(entry));
  ReportToModel(control->view->quiet_, [&] {
    control->view->events_.OnTextEdited(control->id, text);
  });
}

gboolean DialogWindow::OnEntryKey(GtkWidget*, GdkEventKey* key,
                                  Control* control) {
  return control->view->OnFieldKey(control->id, key) ? TRUE : FALSE;
}

void DialogWindow::OnToggled(GtkToggleButton* box, Control* control) {
  const bool checked = gtk_toggle_button_get_active(box) != FALSE;
  ReportToModel(control->view->quiet_, [&] {
    control->view->events_.OnCheckToggled(control->id, checked);
  });
}

void DialogWindow::OnClicked(GtkButton*, Control* control) {
  ReportToModel(control->view->quiet_,
                [&] { control->view->events_.OnButton(control->id); });
}

void DialogWindow::OnArrowUp(GtkButton*, Control* control) {
  ReportToModel(control->view->quiet_, [&] {
    control->view->events_.OnScroll(control->id, ScrollAction::kLineUp, 0);
  });
}

void DialogWindow::OnArrowDown(GtkButton*, Control* control) {
  ReportToModel(control->view->quiet_, [&] {
    control->view->events_.OnScroll(control->id, ScrollAction::kLineDown, 0);
  });
}

gboolean DialogWindow::OnDelete(GtkWidget*, GdkEvent*, DialogWindow* self) {
  ReportToModel(self->quiet_, [&] { self->events_.OnCloseRequest(); });
  return TRUE;  // the model ends the dialog when it is ready to
}

gboolean DialogWindow::OnKey(GtkWidget*, GdkEventKey* key, DialogWindow* self) {
  return self->OnWindowKey(key) ? TRUE : FALSE;
}

void DialogWindow::OnOwnerDestroyed(GtkWidget*, DialogWindow* self) {
  gtk_widget_hide(self->window_.get());
  ReportToModel(self->quiet_, [&] { self->events_.OnCloseRequest(); });
}

// Emitted before the focus moves: the window still knows where it was.
void DialogWindow::OnSetFocus(GtkWindow* window, GtkWidget* widget,
                              DialogWindow* self) {
  const ControlId from = self->ControlOf(gtk_window_get_focus(window));
  const ControlId to = self->ControlOf(widget);
  if (from == kNoControl || to == kNoControl || from == to) return;
  ReportToModel(self->quiet_, [&] { self->events_.OnFocusMoving(from, to); });
}

}  // namespace quorvix::gtk
