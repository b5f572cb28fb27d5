#include "gtk_host_ui.h"

#include "rt/gui.h"

void GtkHostUi::eval_script(int gadget, const std::string& script) { rt_webview_eval_script(gadget, script); }
void GtkHostUi::show_main_window() { rt_window_hide(0, false); }
void GtkHostUi::activate_main_window() { rt_window_activate(0); }
bool GtkHostUi::main_window_visible() const { return rt_window_visible(0); }
void GtkHostUi::add_timer(int id, int milliseconds) { rt_window_add_timer(0, id, milliseconds); }
void GtkHostUi::remove_timer(int id) { rt_window_remove_timer(0, id); }
double GtkHostUi::zoom() const { return rt_webview_zoom_get(0); }
bool GtkHostUi::set_zoom(double factor) { return rt_webview_zoom_set(0, factor); }
void GtkHostUi::post_main_close() { rt_event_post(RT_EVENT_CLOSE, 0); }
bool GtkHostUi::ask_yes_no(const std::string& title, const std::string& text) { return rt_dialog_yes_no(title, text); }
void GtkHostUi::message(const std::string& title, const std::string& text) { rt_dialog_message(title, text); }
