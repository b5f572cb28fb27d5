// The screen colour picker over X11: the root window captured once, a borderless popup over the whole
// screen painting that capture, and the lens drawn every 30 ms where the pointer is. Only the areas the
// lens covered and covers are painted again. The pointer and keyboard are grabbed by the popup, with a
// blank cursor, so every click and key of the pick reaches it and nothing else; the pixel is always
// read from the capture, never from the live screen. Without X11 (Wayland has no root window to read)
// the pick is unavailable and nothing is shown.
#include "gui_internal.h"
#include "rt/screen_pick.h"

#include <algorithm>
#include <cmath>
#include <gdk/gdkx.h>

namespace rt_gtk {

bool capture_screen(ScreenCapture& capture) {
  GdkWindow* root = gdk_get_default_root_window();
  capture.width = gdk_window_get_width(root);
  capture.height = gdk_window_get_height(root);
  capture.pixbuf = capture.width > 0 && capture.height > 0 ? gdk_pixbuf_get_from_window(root, 0, 0, capture.width, capture.height) : nullptr;
  if (!capture.pixbuf) return false;
  capture.surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, capture.width, capture.height);
  cairo_t* painter = cairo_create(capture.surface);
  gdk_cairo_set_source_pixbuf(painter, capture.pixbuf, 0, 0);
  cairo_paint(painter);
  cairo_destroy(painter);
  return true;
}

void release_capture(ScreenCapture& capture) {
  if (capture.surface) cairo_surface_destroy(capture.surface);
  if (capture.pixbuf) g_object_unref(capture.pixbuf);
  capture = ScreenCapture{};
}

void paint_pick_frame(cairo_t* cr, const ScreenCapture& capture, int mx, int my) {
  // The caller clips to the areas asked for: outside the lens this is a copy of the capture.
  cairo_set_source_surface(cr, capture.surface, 0, 0);
  cairo_paint(cr);
  if (mx < 0) return;
  const RtLensLayout lens = rt_lens_layout(mx, my, capture.width, capture.height);
  const int half = kLensSourceSize / 2;

  cairo_save(cr);
  cairo_rectangle(cr, lens.x, lens.y, kLensSize, kLensSize);
  cairo_clip(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);   // beyond the screen's edge
  cairo_paint(cr);
  cairo_translate(cr, lens.x, lens.y);
  cairo_scale(cr, kLensZoom, kLensZoom);
  cairo_set_source_surface(cr, capture.surface, -(mx - half), -(my - half));
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);

  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, kLensFrameWidth);
  cairo_rectangle(cr, lens.x, lens.y, kLensSize, kLensSize);
  cairo_stroke(cr);

  cairo_set_line_width(cr, 1);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_move_to(cr, lens.x + kLensCrossFrom, lens.y + kLensCentre + 0.5);
  cairo_line_to(cr, lens.x + kLensCrossTo, lens.y + kLensCentre + 0.5);
  cairo_move_to(cr, lens.x + kLensCentre + 0.5, lens.y + kLensCrossFrom);
  cairo_line_to(cr, lens.x + kLensCentre + 0.5, lens.y + kLensCrossTo);
  cairo_stroke(cr);

  cairo_set_source_rgb(cr, 0, 1, 1);
  cairo_move_to(cr, lens.corner_x + 0.5, lens.corner_y + 0.5);
  cairo_line_to(cr, mx + 0.5, my + 0.5);
  cairo_stroke(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
  cairo_arc(cr, mx + 0.5, my + 0.5, 3.5, 0, 2 * M_PI);
  cairo_fill(cr);
}

}  // namespace rt_gtk

namespace {

struct Pick {
  rt_gtk::ScreenCapture screen;         // the frozen screen
  GtkWidget* window = nullptr;
  GMainLoop* loop = nullptr;
  RtScreenPick result = RtScreenPick::kCancelled;
  std::string hex;
  int mx = -1, my = -1;                 // the pointer, in screen pixels
  RtRect drawn;                         // what the last frame drew over the capture
};

void finish(Pick& pick, RtScreenPick result) {
  pick.result = result;
  if (g_main_loop_is_running(pick.loop)) g_main_loop_quit(pick.loop);
}

void read_pixel(Pick& pick, int x, int y) {
  x = std::clamp(x, 0, pick.screen.width - 1);
  y = std::clamp(y, 0, pick.screen.height - 1);
  const int stride = gdk_pixbuf_get_rowstride(pick.screen.pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pick.screen.pixbuf);
  const guchar* p = gdk_pixbuf_read_pixels(pick.screen.pixbuf) + static_cast<ptrdiff_t>(y) * stride + x * channels;
  pick.hex = rt_rgb_hex(p[0], p[1], p[2]);
}

gboolean on_draw(GtkWidget*, cairo_t* cr, gpointer data) {
  const Pick& pick = *static_cast<Pick*>(data);
  // GTK clips to the areas asked for.
  rt_gtk::paint_pick_frame(cr, pick.screen, pick.mx, pick.my);
  return TRUE;
}

bool pointer_at(int& x, int& y) {
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  GdkDevice* device = seat ? gdk_seat_get_pointer(seat) : nullptr;
  if (!device) return false;
  gdk_device_get_position(device, nullptr, &x, &y);
  return true;
}

void queue_area(Pick& pick, const RtRect& r) {
  if (!r.empty()) gtk_widget_queue_draw_area(pick.window, r.x, r.y, r.width, r.height);
}

// One frame: the lens follows the pointer; the area it left and the one it covers are painted.
gboolean on_tick(gpointer data) {
  Pick& pick = *static_cast<Pick*>(data);
  int x = 0, y = 0;
  if (!pointer_at(x, y) || (x == pick.mx && y == pick.my)) return G_SOURCE_CONTINUE;
  pick.mx = x;
  pick.my = y;
  const RtRect now = rt_lens_damage(x, y, rt_lens_layout(x, y, pick.screen.width, pick.screen.height));
  queue_area(pick, pick.drawn);
  queue_area(pick, now);
  pick.drawn = now;
  return G_SOURCE_CONTINUE;
}

gboolean on_button(GtkWidget*, GdkEventButton* event, gpointer data) {
  Pick& pick = *static_cast<Pick*>(data);
  if (event->type != GDK_BUTTON_PRESS) return TRUE;
  if (event->button == GDK_BUTTON_PRIMARY) {
    read_pixel(pick, static_cast<int>(std::floor(event->x_root)), static_cast<int>(std::floor(event->y_root)));
    finish(pick, RtScreenPick::kPicked);
  } else if (event->button == GDK_BUTTON_SECONDARY) {
    finish(pick, RtScreenPick::kCancelled);
  }
  return TRUE;
}

gboolean on_key(GtkWidget*, GdkEventKey* event, gpointer data) {
  if (event->keyval == GDK_KEY_Escape) finish(*static_cast<Pick*>(data), RtScreenPick::kCancelled);
  return TRUE;
}

gboolean on_grab_broken(GtkWidget*, GdkEvent*, gpointer data) {
  finish(*static_cast<Pick*>(data), RtScreenPick::kCancelled);
  return TRUE;
}

void show_for_grab(GdkSeat*, GdkWindow*, gpointer data) {
  gtk_widget_show(static_cast<Pick*>(data)->window);
}

}  // namespace

RtScreenPick rt_screen_pick_color(std::string& hex, std::string& why) {
  hex.clear();
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) {
    why = "the screen can be read only on an X11 display";
    return RtScreenPick::kUnavailable;
  }
  Pick pick;
  // Captured before any window of the pick exists, so the pick never sees itself.
  if (!rt_gtk::capture_screen(pick.screen)) {
    why = "the screen could not be captured";
    return RtScreenPick::kUnavailable;
  }

  pick.window = gtk_window_new(GTK_WINDOW_POPUP);
  gtk_window_set_title(GTK_WINDOW(pick.window), "Quorlin: pick a colour");
  gtk_widget_set_app_paintable(pick.window, TRUE);
  gtk_window_move(GTK_WINDOW(pick.window), 0, 0);
  gtk_widget_set_size_request(pick.window, pick.screen.width, pick.screen.height);
  gtk_widget_add_events(pick.window, GDK_BUTTON_PRESS_MASK | GDK_KEY_PRESS_MASK | GDK_POINTER_MOTION_MASK);
  g_signal_connect(pick.window, "draw", G_CALLBACK(on_draw), &pick);
  g_signal_connect(pick.window, "button-press-event", G_CALLBACK(on_button), &pick);
  g_signal_connect(pick.window, "key-press-event", G_CALLBACK(on_key), &pick);
  g_signal_connect(pick.window, "grab-broken-event", G_CALLBACK(on_grab_broken), &pick);
  gtk_widget_realize(pick.window);
  pointer_at(pick.mx, pick.my);
  if (pick.mx >= 0) pick.drawn = rt_lens_damage(pick.mx, pick.my, rt_lens_layout(pick.mx, pick.my, pick.screen.width, pick.screen.height));

  GdkSeat* seat = gdk_display_get_default_seat(display);
  GdkCursor* blank = gdk_cursor_new_for_display(display, GDK_BLANK_CURSOR);
  GdkWindow* overlay = gtk_widget_get_window(pick.window);
  gdk_window_set_cursor(overlay, blank);
  // The grab shows the popup first (it must be viewable to be grabbed).
  const GdkGrabStatus grab = gdk_seat_grab(seat, overlay, GDK_SEAT_CAPABILITY_ALL, FALSE, blank, nullptr, show_for_grab, &pick);
  RtScreenPick result = RtScreenPick::kUnavailable;
  if (grab == GDK_GRAB_SUCCESS) {
    pick.loop = g_main_loop_new(nullptr, FALSE);
    const guint timer = g_timeout_add(kPickFrameMs, on_tick, &pick);
    g_main_loop_run(pick.loop);
    g_source_remove(timer);
    g_main_loop_unref(pick.loop);
    gdk_seat_ungrab(seat);
    result = pick.result;
    if (result == RtScreenPick::kPicked) hex = pick.hex;
  } else {
    why = "the pointer and keyboard could not be grabbed (" + std::to_string(static_cast<int>(grab)) + ")";
  }
  gtk_widget_destroy(pick.window);
  g_object_unref(blank);
  rt_gtk::release_capture(pick.screen);
  gdk_display_flush(display);
  return result;
}
