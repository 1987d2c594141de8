#include "box_watcher.h"

#include <utility>

namespace quorvix::test {
namespace {

constexpr char kAnswered[] = "quorvix-test-answered";

}  // namespace

BoxWatcher::BoxWatcher()
    : source_(g_timeout_add(20, &BoxWatcher::Tick, this)) {}

BoxWatcher::~BoxWatcher() { g_source_remove(source_); }

std::vector<SeenBox> BoxWatcher::Take() { return std::exchange(seen_, {}); }

gboolean BoxWatcher::Tick(gpointer self) {
  GList* const toplevels = gtk_window_list_toplevels();
  for (GList* at = toplevels; at != nullptr; at = at->next) {
    GtkWidget* const widget = GTK_WIDGET(at->data);
    if (GTK_IS_MESSAGE_DIALOG(widget) && gtk_widget_get_mapped(widget) &&
        g_object_get_data(G_OBJECT(widget), kAnswered) == nullptr) {
      static_cast<BoxWatcher*>(self)->Answer(GTK_MESSAGE_DIALOG(widget));
    }
  }
  g_list_free(toplevels);
  return G_SOURCE_CONTINUE;
}

void BoxWatcher::Answer(GtkMessageDialog* box) {
  g_object_set_data(G_OBJECT(box), kAnswered, box);
  gchar* text = nullptr;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  g_object_get(box, "text", &text, "message-type", &type, nullptr);
  GtkWindow* const window = GTK_WINDOW(box);
  const gchar* const title = gtk_window_get_title(window);
  seen_.push_back({title != nullptr ? title : "", text != nullptr ? text : "",
                   type, gtk_window_get_transient_for(window),
                   gtk_window_get_modal(window) != FALSE});
  g_free(text);
  GtkWidget* const ok =
      gtk_dialog_get_widget_for_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
  if (ok != nullptr) {
    gtk_button_clicked(GTK_BUTTON(ok));
  } else {
    gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
  }
}

}  // namespace quorvix::test
