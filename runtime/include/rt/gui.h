// Windows, the per-thread event queue with window timers, web views, message boxes and the screen,
// over GTK 3 and WebKitGTK 4.1. Everything here runs on the UI thread except rt_event_post.
// Windows and web views are named by small numbers chosen by the caller (0 = main window).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "rt/rect.h"

enum RtEventCode {
  RT_EVENT_NONE = 0,
  RT_EVENT_MENU = 13101,    // a window shortcut; object = its event number
  RT_EVENT_TIMER = 13110,   // object = timer id
  RT_EVENT_CLOSE = 13116,   // the close button of a window (the window stays open)
  RT_EVENT_SIZE = 13118,    // the window's size changed
  RT_EVENT_ACTIVATE = 13150 // another instance asked this one to come to the front
};

struct RtEvent {
  int code = RT_EVENT_NONE;
  int window = -1;
  int64_t object = 0;
};

enum RtWindowFlags : unsigned {
  RT_WINDOW_INVISIBLE = 1u << 0,
  RT_WINDOW_SIZEABLE = 1u << 1,
  RT_WINDOW_MINMAX = 1u << 2,     // minimise and maximise buttons
  RT_WINDOW_CENTERED = 1u << 3,
  RT_WINDOW_TOOL = 1u << 4,       // utility window without minimise/maximise
  RT_WINDOW_BORDERLESS = 1u << 5, // no frame and no title bar: the page draws its own
};

// The edges of a window from which a resize drag starts.
enum RtWindowEdge { RT_EDGE_TOP, RT_EDGE_BOTTOM, RT_EDGE_LEFT, RT_EDGE_RIGHT, RT_EDGE_TOP_LEFT, RT_EDGE_TOP_RIGHT,
                    RT_EDGE_BOTTOM_LEFT, RT_EDGE_BOTTOM_RIGHT };

// gtk_init, then numbers back to the neutral format (LC_NUMERIC "C") while every other category
// follows the user. False when no display can be opened.
bool rt_gui_init(int* argc, char*** argv);

bool rt_window_open(int window, int x, int y, int inner_width, int inner_height, const std::string& title,
                    unsigned flags, int owner = -1);
void rt_window_close(int window);
bool rt_window_exists(int window);
// x, y: outer frame position; width, height: inner (client) size.
void rt_window_resize(int window, int x, int y, int inner_width, int inner_height);
int rt_window_x(int window);
int rt_window_y(int window);
int rt_window_inner_width(int window);
int rt_window_inner_height(int window);
void rt_window_hide(int window, bool hide);
bool rt_window_visible(int window);
void rt_window_activate(int window);   // de-iconify, show and bring to the front
void rt_window_set_title(int window, const std::string& title);
// The window's icon from image files (PNG, ICO...), one per size; those that cannot be read are left
// out. False when none could be read (the icon is then unchanged).
bool rt_window_set_icons(int window, const std::vector<std::string>& image_files);
void rt_window_minimize(int window);
// The window manager's own state, so that a maximise from the frame or the keyboard counts too.
bool rt_window_maximized(int window);
void rt_window_set_maximized(int window, bool maximized);
// A move or resize with the pointer, handed to the window manager while the first button is held.
void rt_window_begin_move(int window);
void rt_window_begin_resize(int window, RtWindowEdge edge);
// Shapes the window: only the union of the rectangles shows and takes the pointer; elsewhere the desktop
// and the windows beneath show through and get the clicks. Rectangles in device pixels (divided by the
// window's scale factor). An empty list leaves nothing visible. Works on a hidden window too.
void rt_window_set_shape(int window, const std::vector<RtRect>& rects);
// Device pixels per logical pixel of the window (the desktop's scale, 1 or more).
int rt_window_scale_factor(int window);
// Gives the window an alpha channel (where the screen offers one), so that where its page is see-through the
// desktop shows under a compositor. Before the window is shown.
void rt_window_set_translucent(int window);
// Calls the routine when the window has stopped moving and changing size for `quiet_ms` (the end of a drag);
// an empty routine stops the calls.
void rt_window_on_settled(int window, int quiet_ms, std::function<void()> routine);
// Whether Shift, Ctrl and Alt are all held at this moment.
bool rt_keyboard_shift_ctrl_alt_held();
// The smallest and largest inner size the user may give the window (values below 1 count as 1; a
// minimum above its maximum is lowered to it).
void rt_window_set_size_limits(int window, int min_width, int min_height, int max_width, int max_height);
void rt_window_add_shortcut(int window, const std::string& accelerator, int event_number); // e.g. "Escape"

// Adding a timer with an id in use replaces it; removing also drops ticks already queued.
void rt_window_add_timer(int window, int id, int milliseconds);
void rt_window_remove_timer(int window, int id);
// Runs the GTK main loop until an event is queued for this thread and returns it.
RtEvent rt_window_wait_event();
// Queues an event for the UI thread; safe from any thread, wakes a waiting rt_window_wait_event.
void rt_event_post(int code, int window, int64_t object = 0);
// Calls the routine whenever the event happens on any window (size events: after the new size is known).
void rt_event_bind(int code, std::function<void(const RtEvent&)> routine);

// Web views. Options set before the first rt_webview_create.
// Persistent local storage / IndexedDB / cache under this folder.
void rt_webview_set_data_dir(const std::string& folder);
// Allows WebKit automation (WebDriver): the view created as `gadget` is handed out to every
// automation session, and every view created afterwards is controlled by automation (a driver can
// switch to it). Without this call automation stays off.
void rt_webview_allow_automation(int gadget);
// Lets the user open the web views' developer tools (off unless called before the first view).
void rt_webview_enable_developer_tools(bool enabled);
// Creates a web view filling the window's client area.
bool rt_webview_create(int gadget, int window);
// True where GL would be drawn by Mesa's software rasterizer: the environment asks for it
// (LIBGL_ALWAYS_SOFTWARE, or GALLIUM_DRIVER set to llvmpipe or softpipe), or `dev` holds neither a GPU
// render node ("dri/renderD*") nor an NVIDIA control device ("nvidiactl") that this user may open.
bool rt_gl_is_software(const std::string& dev = "/dev");
// Paints the view's pages in one surface on the processor, without the compositor's GL layers. Where
// GL is software the compositor buys no speed, and every kind of drawing it meets is compiled to a
// shader inside the web process (well over 100 MiB for a page of panels). Call before the view loads a
// page; false when the view does not exist.
bool rt_webview_set_flat_painting(int gadget, bool flat);
void rt_webview_free(int gadget);
void rt_gadget_set_text(int gadget, const std::string& url);   // navigate
void rt_gadget_set_focus(int gadget);
void rt_gadget_resize(int gadget, int x, int y, int width, int height);
// Binds window.<name>(...args) in every page the view loads, from document start. The routine
// receives the argument list as JSON text; its result becomes the result of the page's call.
bool rt_webview_bind_callback(int gadget, const std::string& name,
                              std::function<std::string(const std::string& args_json)> routine);
// Runs `source` at document start in every page the view loads (top frame), before the page's scripts.
bool rt_webview_add_start_script(int gadget, const std::string& source);
// Fire and forget; a gadget that does not exist is a no-op.
void rt_webview_eval_script(int gadget, const std::string& script);
// The view draws nothing of its own where the page is see-through (its background is transparent).
void rt_webview_set_transparent_background(int gadget);
double rt_webview_zoom_get(int gadget);   // 0 when the view does not exist
bool rt_webview_zoom_set(int gadget, double factor);

// Keeps the page's local-storage keys that begin with `prefix` in `file` (a JSON object written
// atomically, mode 0600), so they outlive a change of the page's origin (another port, for one).
// At document start of every page the top frame loads, before the page's own scripts, the keys are
// seeded from the file; every later change the page makes to such a key is written back. The file is
// the source of truth: a key it holds is set in the page, a key removed by a page stays removed, and a
// key the page holds that the file has never heard of (written before the mirror existed) is adopted.
// A corrupt file is moved aside (same name + ".corrupt") and the mirror starts empty. Call before the
// first navigation; false when the view does not exist. An empty prefix keeps every key.
bool rt_webview_mirror_local_storage(int gadget, const std::string& file, const std::string& prefix);

// Modal message box with an OK button.
void rt_dialog_message(const std::string& title, const std::string& text);
// Modal question with Yes and No buttons; true for Yes.
bool rt_dialog_yes_no(const std::string& title, const std::string& text);
// Size of the primary monitor in pixels (monitor 0 when none is marked primary); false without a display.
bool rt_screen_primary_size(int& width, int& height);

// File dialogs; "" when cancelled. `pattern` lists filters as "Label|*.a;*.b|Label 2|*" and
// `pattern_index` selects the one shown first. `default_path` may name a folder (ending with '/'),
// a file in a folder, or a bare file name (save dialogs propose it).
std::string rt_dialog_open_file(const std::string& title, const std::string& default_path, const std::string& pattern,
                                int pattern_index);
// Asks before replacing an existing file.
std::string rt_dialog_save_file(const std::string& title, const std::string& default_path, const std::string& pattern,
                                int pattern_index);

// Folder chooser; the chosen folder with a trailing '/', "" when cancelled. `start_folder` is shown
// first when it exists.
std::string rt_dialog_choose_folder(const std::string& title, const std::string& start_folder);

// The clipboard's text; "" when it holds none. Waits for the owner in a nested main loop.
std::string rt_clipboard_get_text();
void rt_clipboard_set_text(const std::string& text);

// The pointer in screen coordinates; false when there is no pointer device.
bool rt_pointer_position(int& x, int& y);
void rt_pointer_warp(int x, int y);
// Whether any pointer button is held now; true when the pointer cannot be read (nothing is ended on a
// guess).
bool rt_pointer_button_down();
// A blank cursor over the window and everything inside it; false restores the cursors it replaced.
void rt_window_set_cursor_hidden(int window, bool hidden);

// Opens an http, https, mailto or file address with the desktop's default program; false for any
// other scheme or when nothing could be started.
bool rt_open_uri(const std::string& uri);
