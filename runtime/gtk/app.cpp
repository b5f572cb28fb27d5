// Start of the GTK layer and the screen.
#include "gui_internal.h"

#include <clocale>

bool rt_gui_init(int* argc, char*** argv) {
  static const bool ready = [&] {
    if (!gtk_init_check(argc, argv)) return false;
    // gtk_init took every category from the user; numbers written as text must keep a decimal point.
    setlocale(LC_NUMERIC, "C");
    return true;
  }();
  return ready;
}

bool rt_screen_primary_size(int& width, int& height) {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return false;
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);  // plain X servers mark none as primary
  if (!monitor) return false;
  GdkRectangle geometry{};
  gdk_monitor_get_geometry(monitor, &geometry);
  const int scale = gdk_monitor_get_scale_factor(monitor);
  width = geometry.width * scale;
  height = geometry.height * scale;
  return true;
}
