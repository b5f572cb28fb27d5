// Top-level windows named by the caller's numbers, their timers and keyboard shortcuts.
#include "gui_internal.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <string_view>

#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace {

// User data of one timer source and one shortcut closure.
struct TimerTick {
  int window;
  int id;
};
struct Shortcut {
  int window;
  int event_number;
};

struct TopWindow {
  int number = -1;
  GtkWidget* widget = nullptr;  // the toplevel; destroyed with this record
  GtkAccelGroup* accel = nullptr;
  std::map<int, guint> timers;  // timer id -> GLib source id
  int last_width = 0;           // inner size last reported by a size event
  int last_height = 0;
  std::function<void()> settled;   // rt_window_on_settled
  int settle_ms = 0;
  guint settle_source = 0;
  bool settle_connected = false;

  TopWindow() = default;
  TopWindow(const TopWindow&) = delete;
  TopWindow& operator=(const TopWindow&) = delete;
  ~TopWindow() {
    for (const auto& [id, source] : timers) g_source_remove(source);
    if (settle_source) g_source_remove(settle_source);
    rt_gtk::drop_timer_ticks(number, -1);
    if (widget) {
      g_signal_handlers_disconnect_by_data(widget, this);
      gtk_widget_destroy(widget);  // also destroys the web view inside, which forgets its gadget
    }
    if (accel) g_object_unref(accel);
  }
};

// Lives for the whole process, so nothing depends on the order of destruction at exit.
std::map<int, std::unique_ptr<TopWindow>>& windows = *new std::map<int, std::unique_ptr<TopWindow>>;

TopWindow* find(int number) {
  const auto it = windows.find(number);
  return it == windows.end() ? nullptr : it->second.get();
}

// gtk_window_resize sets the client size; a fixed-size window also needs the request, or GTK shrinks it
// to its content.
void apply_inner_size(GtkWidget* widget, int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (!gtk_window_get_resizable(GTK_WINDOW(widget))) gtk_widget_set_size_request(widget, width, height);
  gtk_window_resize(GTK_WINDOW(widget), width, height);
}

gboolean on_delete(GtkWidget*, GdkEvent*, gpointer data) {
  // The close button only asks; the program decides whether the window goes.
  rt_gtk::raise_event({RT_EVENT_CLOSE, static_cast<TopWindow*>(data)->number, 0});
  return TRUE;
}

void on_size_allocate(GtkWidget* widget, GdkRectangle*, gpointer data) {
  auto* window = static_cast<TopWindow*>(data);
  int width = 0, height = 0;
  gtk_window_get_size(GTK_WINDOW(widget), &width, &height);
  if (width == window->last_width && height == window->last_height) return;
  window->last_width = width;
  window->last_height = height;
  rt_gtk::raise_event({RT_EVENT_SIZE, window->number, 0});
}

// Without RT_WINDOW_MINMAX the window manager is asked (Motif hints) to offer no minimise or maximise.
void on_realize_without_minmax(GtkWidget* widget, gpointer) {
  gdk_window_set_functions(gtk_widget_get_window(widget),
                           static_cast<GdkWMFunction>(GDK_FUNC_ALL | GDK_FUNC_MINIMIZE | GDK_FUNC_MAXIMIZE));
}

gboolean on_timer(gpointer data) {
  const auto* tick = static_cast<TimerTick*>(data);
  if (!rt_gtk::timer_tick_queued(tick->window, tick->id))
    rt_gtk::raise_event({RT_EVENT_TIMER, tick->window, tick->id});
  return G_SOURCE_CONTINUE;
}

gboolean on_shortcut(GtkAccelGroup*, GObject*, guint, GdkModifierType, gpointer data) {
  const auto* shortcut = static_cast<Shortcut*>(data);
  rt_gtk::raise_event({RT_EVENT_MENU, shortcut->window, shortcut->event_number});
  return TRUE;
}

// Accepts GTK's own form ("<Control>F5") and the "Ctrl+Shift+R" form.
std::string gtk_accelerator_text(std::string_view text) {
  if (text.find('<') != std::string_view::npos || text.size() < 2) return std::string(text);
  std::string result;
  size_t start = 0;
  for (size_t plus = text.find('+', 1); plus != std::string_view::npos; plus = text.find('+', start + 1)) {
    std::string modifier(text.substr(start, plus - start));
    for (char& c : modifier) c = g_ascii_tolower(c);
    if (modifier == "ctrl" || modifier == "control") result += "<Control>";
    else if (modifier == "shift") result += "<Shift>";
    else if (modifier == "alt") result += "<Alt>";
    else if (modifier == "super") result += "<Super>";
    else return std::string(text);
    start = plus + 1;
  }
  return result + std::string(text.substr(start));
}

}  // namespace

namespace rt_gtk {

GtkWindow* window_widget(int number) {
  TopWindow* window = find(number);
  return window ? GTK_WINDOW(window->widget) : nullptr;
}

GtkWindow* dialog_parent() {
  GtkWindow* main = window_widget(0);
  return main && gtk_widget_get_visible(GTK_WIDGET(main)) ? main : nullptr;
}

}  // namespace rt_gtk

bool rt_window_open(int number, int x, int y, int inner_width, int inner_height, const std::string& title,
                    unsigned flags, int owner) {
  if (number < 0) return false;
  rt_window_close(number);

  auto window = std::make_unique<TopWindow>();
  window->number = number;
  window->widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* gtk_window = GTK_WINDOW(window->widget);
  gtk_window_set_title(gtk_window, title.c_str());
  gtk_window_set_resizable(gtk_window, (flags & RT_WINDOW_SIZEABLE) != 0);
  if (flags & RT_WINDOW_BORDERLESS) gtk_window_set_decorated(gtk_window, FALSE);
  apply_inner_size(window->widget, inner_width, inner_height);
  gtk_window_get_size(gtk_window, &window->last_width, &window->last_height);

  GtkWindow* owner_window = owner >= 0 ? rt_gtk::window_widget(owner) : nullptr;
  if (owner_window) gtk_window_set_transient_for(gtk_window, owner_window);
  if (flags & RT_WINDOW_TOOL) gtk_window_set_type_hint(gtk_window, GDK_WINDOW_TYPE_HINT_UTILITY);
  if (flags & RT_WINDOW_CENTERED)
    gtk_window_set_position(gtk_window, owner_window ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  else
    gtk_window_move(gtk_window, x, y);

  g_signal_connect(window->widget, "delete-event", G_CALLBACK(on_delete), window.get());
  g_signal_connect_after(window->widget, "size-allocate", G_CALLBACK(on_size_allocate), window.get());
  if (!(flags & RT_WINDOW_MINMAX) || (flags & RT_WINDOW_TOOL))
    g_signal_connect(window->widget, "realize", G_CALLBACK(on_realize_without_minmax), window.get());

  if (!(flags & RT_WINDOW_INVISIBLE)) gtk_widget_show(window->widget);
  windows[number] = std::move(window);
  return true;
}

void rt_window_close(int number) {
  // Unlinked first: destroying the widget runs handlers that may look the number up again.
  const auto it = windows.find(number);
  if (it == windows.end()) return;
  std::unique_ptr<TopWindow> window = std::move(it->second);
  windows.erase(it);
}

bool rt_window_exists(int number) { return find(number) != nullptr; }

void rt_window_resize(int number, int x, int y, int inner_width, int inner_height) {
  TopWindow* window = find(number);
  if (!window) return;
  GtkWindow* gtk_window = GTK_WINDOW(window->widget);
  // An explicit position replaces the centring requested at opening.
  gtk_window_set_position(gtk_window, GTK_WIN_POS_NONE);
  gtk_window_move(gtk_window, x, y);
  apply_inner_size(window->widget, inner_width, inner_height);
}

int rt_window_x(int number) {
  int x = 0, y = 0;
  if (TopWindow* window = find(number)) gtk_window_get_position(GTK_WINDOW(window->widget), &x, &y);
  return x;
}

int rt_window_y(int number) {
  int x = 0, y = 0;
  if (TopWindow* window = find(number)) gtk_window_get_position(GTK_WINDOW(window->widget), &x, &y);
  return y;
}

int rt_window_inner_width(int number) {
  int width = 0, height = 0;
  if (TopWindow* window = find(number)) gtk_window_get_size(GTK_WINDOW(window->widget), &width, &height);
  return width;
}

int rt_window_inner_height(int number) {
  int width = 0, height = 0;
  if (TopWindow* window = find(number)) gtk_window_get_size(GTK_WINDOW(window->widget), &width, &height);
  return height;
}

void rt_window_hide(int number, bool hide) {
  TopWindow* window = find(number);
  if (!window) return;
  if (hide) gtk_widget_hide(window->widget);
  else gtk_widget_show(window->widget);
}

bool rt_window_visible(int number) {
  TopWindow* window = find(number);
  return window && gtk_widget_get_visible(window->widget);
}

void rt_window_activate(int number) {
  TopWindow* window = find(number);
  if (!window) return;
  GtkWindow* gtk_window = GTK_WINDOW(window->widget);
  gtk_window_deiconify(gtk_window);
  guint32 timestamp = GDK_CURRENT_TIME;
#ifdef GDK_WINDOWING_X11
  // A request from another instance comes without a user event; the server time lets the window
  // manager's focus-stealing prevention accept it.
  GdkWindow* gdk_window = gtk_widget_get_window(window->widget);
  if (gdk_window && GDK_IS_X11_WINDOW(gdk_window)) timestamp = gdk_x11_get_server_time(gdk_window);
#endif
  gtk_window_present_with_time(gtk_window, timestamp);
}

void rt_window_set_title(int number, const std::string& title) {
  if (TopWindow* window = find(number)) gtk_window_set_title(GTK_WINDOW(window->widget), title.c_str());
}

void rt_window_set_size_limits(int number, int min_width, int min_height, int max_width, int max_height) {
  TopWindow* window = find(number);
  if (!window) return;
  // Crossed limits: the maximum wins.
  GdkGeometry hints{};
  hints.max_width = std::max(max_width, 1);
  hints.max_height = std::max(max_height, 1);
  hints.min_width = std::clamp(min_width, 1, hints.max_width);
  hints.min_height = std::clamp(min_height, 1, hints.max_height);
  gtk_window_set_geometry_hints(GTK_WINDOW(window->widget), nullptr, &hints,
                                static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
}

void rt_window_add_shortcut(int number, const std::string& accelerator, int event_number) {
  TopWindow* window = find(number);
  if (!window) return;
  guint key = 0;
  GdkModifierType modifiers{};
  gtk_accelerator_parse(gtk_accelerator_text(accelerator).c_str(), &key, &modifiers);
  if (key == 0) return;
  // Keys GTK does not take as accelerators (Tab alone, for one) stay with the focused widget, the page.
  if (!window->accel) {
    window->accel = gtk_accel_group_new();
    gtk_window_add_accel_group(GTK_WINDOW(window->widget), window->accel);
  }
  gtk_accel_group_disconnect_key(window->accel, key, modifiers);  // the same keys again: the new number wins
  GClosure* closure = g_cclosure_new(G_CALLBACK(on_shortcut), new Shortcut{number, event_number},
                                     [](gpointer data, GClosure*) { delete static_cast<Shortcut*>(data); });
  gtk_accel_group_connect(window->accel, key, modifiers, GTK_ACCEL_VISIBLE, closure);
}

void rt_window_add_timer(int number, int id, int milliseconds) {
  TopWindow* window = find(number);
  if (!window) return;
  if (const auto it = window->timers.find(id); it != window->timers.end()) g_source_remove(it->second);
  window->timers[id] = g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(std::max(milliseconds, 1)), on_timer,
                                          new TimerTick{number, id},
                                          [](gpointer data) { delete static_cast<TimerTick*>(data); });
}

void rt_window_remove_timer(int number, int id) {
  TopWindow* window = find(number);
  if (!window) return;
  if (const auto it = window->timers.find(id); it != window->timers.end()) {
    g_source_remove(it->second);
    window->timers.erase(it);
  }
  rt_gtk::drop_timer_ticks(number, id);
}

bool rt_window_set_icons(int number, const std::vector<std::string>& image_files) {
  TopWindow* window = find(number);
  if (!window) return false;
  GList* icons = nullptr;
  for (const std::string& bytes : image_files) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    const bool read = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), nullptr);
    if (gdk_pixbuf_loader_close(loader, nullptr) && read) {
      if (GdkPixbuf* icon = gdk_pixbuf_loader_get_pixbuf(loader)) icons = g_list_append(icons, g_object_ref(icon));
    }
    g_object_unref(loader);
  }
  if (!icons) return false;
  gtk_window_set_icon_list(GTK_WINDOW(window->widget), icons);
  g_list_free_full(icons, g_object_unref);
  return true;
}

void rt_window_minimize(int number) {
  if (TopWindow* window = find(number)) gtk_window_iconify(GTK_WINDOW(window->widget));
}

bool rt_window_maximized(int number) {
  TopWindow* window = find(number);
  return window && gtk_window_is_maximized(GTK_WINDOW(window->widget));
}

void rt_window_set_maximized(int number, bool maximized) {
  TopWindow* window = find(number);
  if (!window) return;
  if (maximized) gtk_window_maximize(GTK_WINDOW(window->widget));
  else gtk_window_unmaximize(GTK_WINDOW(window->widget));
}

namespace {

bool pointer_root_position(GtkWidget* widget, int& x, int& y) {
  GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(widget));
  GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
  if (!pointer) return false;
  gdk_device_get_position(pointer, nullptr, &x, &y);
  return true;
}

}  // namespace

void rt_window_begin_move(int number) {
  TopWindow* window = find(number);
  int x = 0, y = 0;
  if (window && pointer_root_position(window->widget, x, y))
    gtk_window_begin_move_drag(GTK_WINDOW(window->widget), 1, x, y, GDK_CURRENT_TIME);
}

void rt_window_begin_resize(int number, RtWindowEdge edge) {
  static constexpr GdkWindowEdge kEdges[] = {GDK_WINDOW_EDGE_NORTH,      GDK_WINDOW_EDGE_SOUTH,
                                             GDK_WINDOW_EDGE_WEST,       GDK_WINDOW_EDGE_EAST,
                                             GDK_WINDOW_EDGE_NORTH_WEST, GDK_WINDOW_EDGE_NORTH_EAST,
                                             GDK_WINDOW_EDGE_SOUTH_WEST, GDK_WINDOW_EDGE_SOUTH_EAST};
  TopWindow* window = find(number);
  int x = 0, y = 0;
  if (window && edge >= RT_EDGE_TOP && edge <= RT_EDGE_BOTTOM_RIGHT && pointer_root_position(window->widget, x, y))
    gtk_window_begin_resize_drag(GTK_WINDOW(window->widget), kEdges[edge], 1, x, y, GDK_CURRENT_TIME);
}

bool rt_keyboard_shift_ctrl_alt_held() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return false;
  const guint state = gdk_keymap_get_modifier_state(gdk_keymap_get_for_display(display));
  const guint all = GDK_SHIFT_MASK | GDK_CONTROL_MASK | GDK_MOD1_MASK;
  return (state & all) == all;
}

namespace {

gboolean on_settle_timeout(gpointer data) {
  auto* window = static_cast<TopWindow*>(data);
  window->settle_source = 0;
  // A copy: the routine may replace itself.
  if (const std::function<void()> routine = window->settled) routine();
  return G_SOURCE_REMOVE;
}

gboolean on_configure(GtkWidget*, GdkEvent*, gpointer data) {
  auto* window = static_cast<TopWindow*>(data);
  if (window->settle_source) g_source_remove(window->settle_source);
  window->settle_source = window->settled ? g_timeout_add(static_cast<guint>(window->settle_ms), on_settle_timeout, window) : 0;
  return FALSE;
}

}  // namespace

void rt_window_set_shape(int number, const std::vector<RtRect>& rects) {
  TopWindow* window = find(number);
  if (!window) return;
  gtk_widget_realize(window->widget);
  GdkWindow* gdk_window = gtk_widget_get_window(window->widget);
  if (!gdk_window) return;
  const int scale = std::max(1, gdk_window_get_scale_factor(gdk_window));
  std::vector<cairo_rectangle_int_t> logical;
  logical.reserve(rects.size());
  for (const RtRect& r : rects) {
    if (r.width <= 0 || r.height <= 0) continue;
    // A device pixel that a logical one covers in part keeps the whole logical pixel.
    const int x0 = static_cast<int>(std::floor(double(r.x) / scale)), y0 = static_cast<int>(std::floor(double(r.y) / scale));
    const int x1 = static_cast<int>(std::ceil(double(r.x + r.width) / scale));
    const int y1 = static_cast<int>(std::ceil(double(r.y + r.height) / scale));
    logical.push_back({x0, y0, x1 - x0, y1 - y0});
  }
  // One region built from every rectangle at once (overlaps are united).
  cairo_region_t* region = cairo_region_create_rectangles(logical.data(), static_cast<int>(logical.size()));
  gdk_window_shape_combine_region(gdk_window, region, 0, 0);
  gdk_window_input_shape_combine_region(gdk_window, region, 0, 0);
  cairo_region_destroy(region);
}

int rt_window_scale_factor(int number) {
  TopWindow* window = find(number);
  return window ? std::max(1, gtk_widget_get_scale_factor(window->widget)) : 1;
}

void rt_window_set_translucent(int number) {
  TopWindow* window = find(number);
  if (!window) return;
  GdkScreen* screen = gtk_widget_get_screen(window->widget);
  if (GdkVisual* visual = screen ? gdk_screen_get_rgba_visual(screen) : nullptr) {
    gtk_widget_set_visual(window->widget, visual);
    gtk_widget_set_app_paintable(window->widget, TRUE);
  }
}

void rt_window_on_settled(int number, int quiet_ms, std::function<void()> routine) {
  TopWindow* window = find(number);
  if (!window) return;
  window->settled = std::move(routine);
  window->settle_ms = std::max(1, quiet_ms);
  if (!window->settle_connected) {
    g_signal_connect(window->widget, "configure-event", G_CALLBACK(on_configure), window);
    window->settle_connected = true;
  }
}
