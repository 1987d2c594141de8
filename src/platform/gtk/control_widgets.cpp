#include "platform/gtk/control_widgets.h"

#include <algorithm>
#include <string>

#include "platform/gtk/captions.h"

namespace quorvix::gtk {
namespace {

constexpr int kTwipsPerPixel = 15;  // at 96 DPI
constexpr int kPixelsPerCharacter = 8;

int Pixels(int twips) { return twips / kTwipsPerPixel; }

GtkWidget* Label(const ControlLayout& item) {
  const std::string caption(item.caption);
  GtkWidget* const label =
      HasAccelerator(item.caption)
          ? gtk_label_new_with_mnemonic(MnemonicCaption(item.caption).c_str())
          : gtk_label_new(caption.c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
  return label;
}

GtkWidget* Button(const ControlLayout& item) {
  return gtk_button_new_with_mnemonic(MnemonicCaption(item.caption).c_str());
}

GtkWidget* CheckButton(const ControlLayout& item) {
  GtkWidget* const box =
      gtk_check_button_new_with_mnemonic(MnemonicCaption(item.caption).c_str());
  gtk_widget_set_receives_default(box, FALSE);
  return box;
}

GtkWidget* Entry(const ControlLayout& item) {
  GtkWidget* const entry = gtk_entry_new();
  const std::string text(item.caption);
  gtk_entry_set_text(GTK_ENTRY(entry), text.c_str());
  gtk_entry_set_width_chars(
      GTK_ENTRY(entry),
      std::max(1, Pixels(item.bounds.width) / kPixelsPerCharacter));
  gtk_entry_set_alignment(
      GTK_ENTRY(entry), item.alignment == TextAlignment::kRight ? 1.0F : 0.0F);
  return entry;
}

// A fixed field without scroll bars: the view scrolls inside it but never
// grows with its text.
ControlWidgets ReadOnlyText() {
  GtkWidget* const view = gtk_text_view_new();
  gtk_text_view_set_editable(GTK_TEXT_VIEW(view), FALSE);
  gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(view), FALSE);
  gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_WORD_CHAR);
  GtkWidget* const frame = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(frame), GTK_POLICY_NEVER,
                                 GTK_POLICY_EXTERNAL);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(frame),
                                      GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(frame), view);
  return {frame, view};
}

GtkWidget* Arrow(const char* icon, const char* name, GtkStyleProvider* style) {
  GtkWidget* const button =
      gtk_button_new_from_icon_name(icon, GTK_ICON_SIZE_MENU);
  gtk_widget_set_name(button, name);
  // Enter on the arrows presses the dialog's default button.
  gtk_widget_set_receives_default(button, FALSE);
  gtk_style_context_add_provider(gtk_widget_get_style_context(button), style,
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  return button;
}

ControlWidgets UpDown(GtkStyleProvider* style) {
  GtkWidget* const pair = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_valign(pair, GTK_ALIGN_CENTER);
  GtkWidget* const up = Arrow("pan-up-symbolic", "up", style);
  GtkWidget* const down = Arrow("pan-down-symbolic", "down", style);
  gtk_box_pack_start(GTK_BOX(pair), up, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(pair), down, TRUE, TRUE, 0);
  return {pair, pair, up, down};
}

ControlWidgets Create(const ControlLayout& item,
                      GtkStyleProvider* arrow_style) {
  const std::string caption(item.caption);
  switch (item.kind) {
    case ControlKind::kFrame: {
      GtkWidget* const frame = gtk_frame_new(caption.c_str());
      return {frame, frame};
    }
    case ControlKind::kLabel: {
      GtkWidget* const label = Label(item);
      return {label, label};
    }
    case ControlKind::kDropDownList: {
      GtkWidget* const list = gtk_combo_box_text_new();
      return {list, list};
    }
    case ControlKind::kTextField: {
      GtkWidget* const entry = Entry(item);
      return {entry, entry};
    }
    case ControlKind::kMultiLineText: return ReadOnlyText();
    case ControlKind::kScrollBar: return UpDown(arrow_style);
    case ControlKind::kCheckBox: {
      GtkWidget* const box = CheckButton(item);
      return {box, box};
    }
    case ControlKind::kButton: {
      GtkWidget* const button = Button(item);
      return {button, button};
    }
    case ControlKind::kLine: {
      GtkWidget* const line = gtk_separator_new(GTK_ORIENTATION_HORIZONTAL);
      gtk_widget_set_valign(line, GTK_ALIGN_CENTER);
      return {line, line};
    }
  }
  GtkWidget* const label = gtk_label_new(caption.c_str());
  return {label, label};
}

}  // namespace

ControlWidgets CreateControlWidgets(const ControlLayout& item,
                                    GtkStyleProvider* arrow_style) {
  ControlWidgets widgets = Create(item, arrow_style);
  const std::string name(item.name);
  gtk_widget_set_name(widgets.shown, name.c_str());
  // Labels, frames and the line take the size of their text or cell.
  const bool sized = item.kind != ControlKind::kLabel &&
                     item.kind != ControlKind::kFrame &&
                     item.kind != ControlKind::kLine;
  if (sized) {
    gtk_widget_set_size_request(widgets.placed, Pixels(item.bounds.width),
                                Pixels(item.bounds.height));
  }
  return widgets;
}

GtkStyleProvider* NewArrowStyle() {
  GtkCssProvider* const css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(
      css, "button { padding: 0 2px; min-height: 0; min-width: 0; }", -1,
      nullptr);
  return GTK_STYLE_PROVIDER(css);
}

}  // namespace quorvix::gtk
