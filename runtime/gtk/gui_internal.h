// What the GTK files of the runtime share with each other: the window lookup and the event queue.
// Everything runs on the UI thread.
#pragma once
#include "rt/gui.h"

#include <gtk/gtk.h>
#include <string>
#include <utility>
#include <vector>
#include <webkit2/webkit2.h>

namespace rt_gtk {

// The GtkWindow behind a window number, or nullptr.
GtkWindow* window_widget(int window);
// The window a dialog should stay above: window 0 while it is shown, else none.
GtkWindow* dialog_parent();

// The WebKitWebView and its user-content manager behind a web-view number, or nullptr.
WebKitWebView* web_view(int gadget);
WebKitUserContentManager* user_content(int gadget);

// The filters of a file-dialog pattern "Label|*.a;*.b|Label 2|*": (label, globs) in order. A label
// without its glob list is dropped.
std::vector<std::pair<std::string, std::vector<std::string>>> parse_file_pattern(const std::string& pattern);

// An event that arises on the UI thread (timer, close button, size, shortcut): runs the routines bound
// to its code at once, then queues it for rt_window_wait_event.
void raise_event(const RtEvent& event);
// True when a tick of this timer already waits in the queue (ticks do not pile up behind a busy loop).
bool timer_tick_queued(int window, int id);
// Drops queued ticks of one timer, or of every timer of the window when id < 0.
void drop_timer_ticks(int window, int id);

// The screen pick's two costly steps (screen_pick.cpp), also timed by bench/screen-pick: the whole screen
// captured once, for reading pixels and ready to paint; and one frame painted with the pointer at (mx, my).
struct ScreenCapture {
  GdkPixbuf* pixbuf = nullptr;
  cairo_surface_t* surface = nullptr;
  int width = 0, height = 0;
};
bool capture_screen(ScreenCapture& capture);   // false (and nothing held) when the screen could not be read
void release_capture(ScreenCapture& capture);
void paint_pick_frame(cairo_t* cr, const ScreenCapture& capture, int mx, int my);

}  // namespace rt_gtk
