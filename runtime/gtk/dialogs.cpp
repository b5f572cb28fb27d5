// Modal message boxes. They run a nested main loop: timers keep queuing and page calls keep arriving.
#include "gui_internal.h"

namespace {

int run_message_dialog(GtkMessageType type, GtkButtonsType buttons, const std::string& title, const std::string& text) {
  GtkWindow* parent = rt_gtk::dialog_parent();
  GtkWidget* dialog = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, buttons,
                                             "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  // Without a shown parent the box would otherwise open wherever the window manager likes.
  if (!parent) gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  const int response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  return response;
}

}  // namespace

void rt_dialog_message(const std::string& title, const std::string& text) {
  run_message_dialog(GTK_MESSAGE_INFO, GTK_BUTTONS_OK, title, text);
}

bool rt_dialog_yes_no(const std::string& title, const std::string& text) {
  return run_message_dialog(GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO, title, text) == GTK_RESPONSE_YES;
}
