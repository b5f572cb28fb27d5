// What the programs take from the desktop beside their windows: the clipboard's text, the pointer
// (read, warp, hide) and the default program for an address.
#include "gui_internal.h"

#include <algorithm>
#include <map>

namespace {

GdkDevice* pointer_device() {
  GdkDisplay* display = gdk_display_get_default();
  GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
  return seat ? gdk_seat_get_pointer(seat) : nullptr;
}

// The cursors a hidden window had before, to be put back: its own GDK window and every one inside it
// (the web view keeps a window of its own and sets its cursor there).
struct SavedCursor {
  GdkWindow* window;   // referenced
  GdkCursor* cursor;   // referenced, or nullptr for the parent's cursor
};
struct HiddenWindow {
  GdkCursor* blank;    // referenced
  std::vector<SavedCursor> saved;
};
std::map<int, HiddenWindow>& hidden = *new std::map<int, HiddenWindow>;

void collect(GdkWindow* window, std::vector<GdkWindow*>& out) {
  out.push_back(window);
  for (GList* child = gdk_window_peek_children(window); child; child = child->next)
    collect(GDK_WINDOW(child->data), out);
}

void restore(int number) {
  const auto it = hidden.find(number);
  if (it == hidden.end()) return;
  for (const SavedCursor& saved : it->second.saved) {
    if (!gdk_window_is_destroyed(saved.window)) gdk_window_set_cursor(saved.window, saved.cursor);
    if (saved.cursor) g_object_unref(saved.cursor);
    g_object_unref(saved.window);
  }
  g_object_unref(it->second.blank);
  hidden.erase(it);
}

}  // namespace

std::string rt_clipboard_get_text() {
  if (!gdk_display_get_default()) return {};
  GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
  // The UTF-8 bytes as the owner gave them: GTK's text conversion would turn CR LF into LF.
  if (GtkSelectionData* data = gtk_clipboard_wait_for_contents(clipboard, gdk_atom_intern_static_string("UTF8_STRING"))) {
    const gint length = gtk_selection_data_get_length(data);
    const auto* bytes = reinterpret_cast<const char*>(gtk_selection_data_get_data(data));
    std::string text = length > 0 && bytes ? std::string(bytes, static_cast<size_t>(length)) : std::string();
    gtk_selection_data_free(data);
    if (length >= 0 && g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
  }
  // Owners that offer only older text forms.
  g_autofree char* text = gtk_clipboard_wait_for_text(clipboard);
  return text ? std::string(text) : std::string();
}

void rt_clipboard_set_text(const std::string& text) {
  if (!gdk_display_get_default()) return;
  gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), text.data(), static_cast<gint>(text.size()));
}

bool rt_pointer_position(int& x, int& y) {
  GdkDevice* device = pointer_device();
  if (!device) return false;
  gdk_device_get_position(device, nullptr, &x, &y);
  return true;
}

bool rt_pointer_button_down() {
  GdkDevice* device = pointer_device();
  GdkDisplay* display = device ? gdk_device_get_display(device) : nullptr;
  GdkWindow* root = display ? gdk_screen_get_root_window(gdk_display_get_default_screen(display)) : nullptr;
  if (!root) return true;
  GdkModifierType mask = static_cast<GdkModifierType>(0);
  gdk_device_get_state(device, root, nullptr, &mask);
  constexpr int kButtons = GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK | GDK_BUTTON4_MASK | GDK_BUTTON5_MASK;
  return (mask & kButtons) != 0;
}

void rt_pointer_warp(int x, int y) {
  GdkDevice* device = pointer_device();
  if (!device) return;
  GdkDisplay* display = gdk_device_get_display(device);
  gdk_device_warp(device, gdk_display_get_default_screen(display), x, y);
  // The next read must already see the new place.
  gdk_display_flush(display);
}

// Hiding again while hidden blanks whatever cursor was set since: the web view sets its own cursor
// whenever its process answers a hover, which may come after the hide. The cursor set last is the one
// put back.
void rt_window_set_cursor_hidden(int number, bool hide) {
  if (!hide) {
    restore(number);
    return;
  }
  GtkWindow* widget = rt_gtk::window_widget(number);
  GdkWindow* top = widget ? gtk_widget_get_window(GTK_WIDGET(widget)) : nullptr;
  if (!top) return;
  auto it = hidden.find(number);
  if (it == hidden.end())
    it = hidden.emplace(number, HiddenWindow{gdk_cursor_new_for_display(gdk_window_get_display(top), GDK_BLANK_CURSOR), {}}).first;
  HiddenWindow& state = it->second;
  std::vector<GdkWindow*> windows;
  collect(top, windows);
  bool changed = false;
  for (GdkWindow* window : windows) {
    GdkCursor* current = gdk_window_get_cursor(window);
    if (current == state.blank) continue;
    auto saved = std::find_if(state.saved.begin(), state.saved.end(), [window](const SavedCursor& s) { return s.window == window; });
    if (saved == state.saved.end()) {
      state.saved.push_back({GDK_WINDOW(g_object_ref(window)), nullptr});
      saved = state.saved.end() - 1;
    } else if (saved->cursor) {
      g_object_unref(saved->cursor);
    }
    saved->cursor = current ? GDK_CURSOR(g_object_ref(current)) : nullptr;
    gdk_window_set_cursor(window, state.blank);
    changed = true;
  }
  if (changed) gdk_display_flush(gdk_window_get_display(top));
}

bool rt_open_uri(const std::string& uri) {
  g_autofree char* scheme = g_uri_parse_scheme(uri.c_str());
  if (!scheme) return false;
  g_autofree char* lower_scheme = g_ascii_strdown(scheme, -1);
  const std::string lower = lower_scheme;
  if (lower != "http" && lower != "https" && lower != "mailto" && lower != "file") return false;
  GError* error = nullptr;
  const bool started = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error);
  if (error) g_error_free(error);
  return started;
}
