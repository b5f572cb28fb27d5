#include "gtk_host_ui.h"

#include "rt/gui.h"

void GtkHostUi::eval_script(int gadget, const std::string& script) { rt_webview_eval_script(gadget, script); }
void GtkHostUi::show_main_window() { rt_window_hide(0, false); }
void GtkHostUi::activate_main_window() { rt_window_activate(0); }
void GtkHostUi::minimize_main_window() { rt_window_minimize(0); }
bool GtkHostUi::main_window_visible() const { return rt_window_visible(0); }
void GtkHostUi::main_window_frame(int& x, int& y, int& width, int& height) const {
  x = rt_window_x(0);
  y = rt_window_y(0);
  width = rt_window_inner_width(0);
  height = rt_window_inner_height(0);
}
void GtkHostUi::add_timer(int id, int milliseconds) { rt_window_add_timer(0, id, milliseconds); }
void GtkHostUi::remove_timer(int id) { rt_window_remove_timer(0, id); }
double GtkHostUi::zoom() const { return rt_webview_zoom_get(0); }
bool GtkHostUi::set_zoom(double factor) { return rt_webview_zoom_set(0, factor); }
void GtkHostUi::post_main_close() { rt_event_post(RT_EVENT_CLOSE, 0); }
bool GtkHostUi::ask_yes_no(const std::string& title, const std::string& text) { return rt_dialog_yes_no(title, text); }
void GtkHostUi::message(const std::string& title, const std::string& text) { rt_dialog_message(title, text); }

std::string GtkHostUi::open_file_dialog(const std::string& title, const std::string& default_path,
                                        const std::string& pattern) {
  return rt_dialog_open_file(title, default_path, pattern, 0);
}

std::string GtkHostUi::save_file_dialog(const std::string& title, const std::string& default_path,
                                        const std::string& pattern) {
  return rt_dialog_save_file(title, default_path, pattern, 0);
}

std::string GtkHostUi::choose_folder_dialog(const std::string& title, const std::string& start_folder) {
  return rt_dialog_choose_folder(title, start_folder);
}

std::string GtkHostUi::clipboard_text() { return rt_clipboard_get_text(); }
bool GtkHostUi::pointer_position(int& x, int& y) { return rt_pointer_position(x, y); }
bool GtkHostUi::pointer_button_down() { return rt_pointer_button_down(); }
void GtkHostUi::warp_pointer(int x, int y) { rt_pointer_warp(x, y); }
void GtkHostUi::set_cursor_hidden(bool hidden) { rt_window_set_cursor_hidden(0, hidden); }

bool GtkHostUi::url_window_open() const { return rt_window_exists(kUrlWindow); }

void GtkHostUi::open_url_window(int x, int y, int inner_width, int inner_height, const std::string& title,
                                const std::string& url) {
  if (!rt_window_open(kUrlWindow, x, y, inner_width, inner_height, title, RT_WINDOW_SIZEABLE | RT_WINDOW_TOOL, 0))
    return;
  // Nothing is bound into this view: the page shown there cannot reach the host.
  if (!rt_webview_create(kUrlWindow, kUrlWindow)) {
    rt_window_close(kUrlWindow);
    return;
  }
  rt_window_add_shortcut(kUrlWindow, "Escape", kUrlWindowEscape);
  rt_gadget_set_text(kUrlWindow, url);
}

void GtkHostUi::activate_url_window() { rt_window_activate(kUrlWindow); }
void GtkHostUi::close_url_window() { rt_window_close(kUrlWindow); }
bool GtkHostUi::open_with_desktop(const std::string& uri) { return rt_open_uri(uri); }

bool GtkHostUi::open_preview_window(const PreviewWindowSpec& spec,
                                    std::function<void(const std::string& args_json)> on_message) {
  // Opened hidden and shown once its page is on its way, so it never shows an empty frame first.
  if (!rt_window_open(kPreviewWindow, spec.x, spec.y, spec.width, spec.height, spec.title,
                      RT_WINDOW_INVISIBLE | RT_WINDOW_SIZEABLE | RT_WINDOW_MINMAX, 0))
    return false;
  rt_window_set_size_limits(kPreviewWindow, spec.min_width, spec.min_height, spec.max_width, spec.max_height);
  if (!rt_webview_create(kPreviewGadget, kPreviewWindow)) {
    rt_window_close(kPreviewWindow);
    return false;
  }
  // Bound before the first navigation, so the page's first script finds pb_event. No token is given
  // to this view: the page it shows runs the design's own code.
  rt_webview_bind_callback(kPreviewGadget, "pb_event", [routine = std::move(on_message)](const std::string& args) {
    routine(args);
    return std::string();
  });
  rt_gadget_set_text(kPreviewGadget, spec.url);
  rt_window_add_shortcut(kPreviewWindow, "Escape", kPreviewWindowEscape);
  rt_window_hide(kPreviewWindow, false);
  rt_window_activate(kPreviewWindow);
  rt_gadget_set_focus(kPreviewGadget);
  return true;
}

bool GtkHostUi::preview_window_exists() const { return rt_window_exists(kPreviewWindow); }

void GtkHostUi::preview_window_size(int& width, int& height) const {
  width = rt_window_inner_width(kPreviewWindow);
  height = rt_window_inner_height(kPreviewWindow);
}

void GtkHostUi::set_preview_title(const std::string& title) { rt_window_set_title(kPreviewWindow, title); }
void GtkHostUi::close_preview_window() { rt_window_close(kPreviewWindow); }

int GtkHostUi::screen_height() const {
  int width = 0, height = 0;
  return rt_screen_primary_size(width, height) ? height : 0;
}
RtScreenPick GtkHostUi::pick_screen_color(std::string& hex, std::string& why) { return rt_screen_pick_color(hex, why); }
