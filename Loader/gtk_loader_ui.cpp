#include "gtk_loader_ui.h"

#include "loader_app.h"
#include "rt/gui.h"

void GtkLoaderUi::eval_script(int gadget, const std::string& script) { rt_webview_eval_script(gadget, script); }
void GtkLoaderUi::add_timer(int id, int milliseconds) { rt_window_add_timer(0, id, milliseconds); }
void GtkLoaderUi::remove_timer(int id) { rt_window_remove_timer(0, id); }
void GtkLoaderUi::show_window() { rt_window_hide(0, false); }
bool GtkLoaderUi::window_visible() const { return rt_window_visible(0); }
void GtkLoaderUi::fit_view() { rt_gadget_resize(0, 0, 0, rt_window_inner_width(0), rt_window_inner_height(0)); }
double GtkLoaderUi::zoom() const { return rt_webview_zoom_get(0); }
bool GtkLoaderUi::set_zoom(double factor) { return rt_webview_zoom_set(0, factor); }
std::string GtkLoaderUi::clipboard_text() { return rt_clipboard_get_text(); }
void GtkLoaderUi::set_clipboard_text(const std::string& text) { rt_clipboard_set_text(text); }
bool GtkLoaderUi::open_uri(const std::string& uri) { return rt_open_uri(uri); }

std::string GtkLoaderUi::open_file_dialog(const std::string& title, const std::string& default_path,
                                          const std::string& pattern) {
  return rt_dialog_open_file(title, default_path, pattern, 0);
}

std::string GtkLoaderUi::save_file_dialog(const std::string& title, const std::string& default_path,
                                          const std::string& pattern) {
  return rt_dialog_save_file(title, default_path, pattern, 0);
}

namespace {

void SetShape(const RegionSpans& spans) {
  std::vector<RtRect> rects;
  rects.reserve(spans.size());
  for (const RegionRect& r : spans) rects.push_back({r.x, r.y, r.w, r.h});
  rt_window_set_shape(0, rects);
}

}  // namespace

// ApplyCornerRegion: the corners cut at the desktop's scale, so their curves follow its pixels.
void GtkLoaderUi::apply_corner_region(int top_left, int top_right, int bottom_right, int bottom_left) {
  SetShape(CornerRegion(rt_window_inner_width(0), rt_window_inner_height(0), top_left, top_right, bottom_right, bottom_left,
                        96 * rt_window_scale_factor(0)));
}

// ApplyTransparentRegion.
void GtkLoaderUi::apply_transparent_region(const std::string& value) {
  if (const std::optional<RegionSpans> spans = TransparentRegion(value, images_)) SetShape(*spans);
}

void GtkLoaderUi::begin_move() { rt_window_begin_move(0); }

void GtkLoaderUi::begin_resize(const std::string& zone) {
  if (const auto edge = ResizeZoneEdge(zone)) rt_window_begin_resize(0, *edge);
}

void GtkLoaderUi::minimize() { rt_window_minimize(0); }
void GtkLoaderUi::toggle_maximize() { rt_window_set_maximized(0, !rt_window_maximized(0)); }
void GtkLoaderUi::close_window() { rt_event_post(RT_EVENT_CLOSE, 0); }
