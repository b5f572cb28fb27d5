// The screen colour picker's costs on the X display it runs on (an Xvfb screen from bench/screen-pick):
// the capture of the whole screen (read once when a pick starts) and one lens frame, painted as the pick
// window paints it: clipped to the area the lens left and the one it covers. Prints the screen size and
// the median and worst of the runs. The capture happens once, before the pick shows; a lens frame should
// stay far below the 30 ms between frames.
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "gui_internal.h"
#include "rt/screen_pick.h"

namespace {

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Print(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::printf("%s: median %.3f ms, worst %.3f ms (%zu runs)\n", what, times[times.size() / 2], times.back(), times.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "bench_screen_pick: no display\n");
    return 1;
  }
  std::vector<double> captures;
  rt_gtk::ScreenCapture screen;
  for (int i = 0; i < 15; ++i) {
    rt_gtk::release_capture(screen);
    const auto start = std::chrono::steady_clock::now();
    if (!rt_gtk::capture_screen(screen)) {
      std::fprintf(stderr, "bench_screen_pick: the screen could not be captured\n");
      return 1;
    }
    captures.push_back(Ms(std::chrono::steady_clock::now() - start));
  }
  std::printf("screen %d x %d\n", screen.width, screen.height);
  Print("capture (root window read, made ready to paint)", captures);

  // The pick window's own surface, the capture painted on it once as its first frame.
  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_RGB24, screen.width, screen.height);
  cairo_t* first = cairo_create(target);
  rt_gtk::paint_pick_frame(first, screen, -1, -1);
  cairo_destroy(first);

  // The pointer crossing the screen diagonally, 7 px per frame, past both flip edges.
  std::vector<double> frames;
  int mx = 0, my = 0;
  RtRect drawn = rt_lens_damage(mx, my, rt_lens_layout(mx, my, screen.width, screen.height));
  for (int i = 1; i <= 300; ++i) {
    mx = (i * 7) % screen.width;
    my = (i * 4) % screen.height;
    const RtRect now = rt_lens_damage(mx, my, rt_lens_layout(mx, my, screen.width, screen.height));
    const auto start = std::chrono::steady_clock::now();
    cairo_t* cr = cairo_create(target);
    for (const RtRect& r : {drawn, now}) cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    cairo_clip(cr);
    rt_gtk::paint_pick_frame(cr, screen, mx, my);
    cairo_destroy(cr);
    cairo_surface_flush(target);
    frames.push_back(Ms(std::chrono::steady_clock::now() - start));
    drawn = now;
  }
  Print("lens frame (the areas left and covered painted again)", frames);
  cairo_surface_destroy(target);
  rt_gtk::release_capture(screen);
  return 0;
}
