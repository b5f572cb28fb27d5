// What the host's decisions need of its windows, web views and the desktop. The program implements it
// over the runtime's GTK layer; tests implement it with a recorder that gives scripted answers, so no
// test waits on a real dialog, clipboard or pointer.
#pragma once
#include <functional>
#include <string>

#include "native/page_ui.h"
#include "rt/screen_pick.h"

// The URL window's number (its web view has the same), and the shortcut event of Esc in it.
inline constexpr int kUrlWindow = 2;
inline constexpr int kUrlWindowEscape = 3;
// The device-preview window's number, its web view's, and the shortcut event of Esc in it.
inline constexpr int kPreviewWindow = 1;
inline constexpr int kPreviewGadget = 1;
inline constexpr int kPreviewWindowEscape = 2;

struct PreviewWindowSpec {
  int x = 0, y = 0;            // outer position
  int width = 0, height = 0;   // inner size
  int min_width = 0, min_height = 0, max_width = 0, max_height = 0;
  std::string title;
  std::string url;
};

class HostUi : public PageScriptUi {
public:
  virtual void show_main_window() = 0;
  virtual void activate_main_window() = 0;
  virtual void minimize_main_window() = 0;
  virtual bool main_window_visible() const = 0;
  // Outer position and inner size of the main window.
  virtual void main_window_frame(int& x, int& y, int& width, int& height) const = 0;
  virtual double zoom() const = 0;              // the editor web view's zoom; 0 when there is none
  virtual bool set_zoom(double factor) = 0;
  virtual void post_main_close() = 0;           // queues a close event for the main window
  virtual bool ask_yes_no(const std::string& title, const std::string& text) = 0;
  virtual void message(const std::string& title, const std::string& text) = 0;

  // File dialogs (modal; page calls made meanwhile are dropped by the bridge). `pattern` is
  // "Label|*.a;*.b|...", the first filter shown first. "" when cancelled.
  virtual std::string open_file_dialog(const std::string& title, const std::string& default_path,
                                       const std::string& pattern) = 0;
  virtual std::string save_file_dialog(const std::string& title, const std::string& default_path,
                                       const std::string& pattern) = 0;
  // A folder chooser starting in `start_folder`; the chosen folder ends with '/', "" when cancelled.
  virtual std::string choose_folder_dialog(const std::string& title, const std::string& start_folder) = 0;
  virtual std::string clipboard_text() = 0;     // "" when the clipboard holds no text

  // The pointer in screen coordinates; false when it cannot be read.
  virtual bool pointer_position(int& x, int& y) = 0;
  // Whether a pointer button is held now (the answer is true when it cannot be read).
  virtual bool pointer_button_down() = 0;
  virtual void warp_pointer(int x, int y) = 0;
  // A blank cursor over the main window (and its web view), or the cursors it had before.
  virtual void set_cursor_hidden(bool hidden) = 0;

  // The URL window: a tool window owned by the main window whose web view has nothing bound, so its
  // page cannot reach the host.
  virtual bool url_window_open() const = 0;
  virtual void open_url_window(int x, int y, int inner_width, int inner_height, const std::string& title,
                               const std::string& url) = 0;
  virtual void activate_url_window() = 0;
  virtual void close_url_window() = 0;
  // Hands an address that no web view can show (mailto) to the desktop's default program.
  virtual bool open_with_desktop(const std::string& uri) = 0;

  // The device-preview window: a normal window owned by the main window, replacing one that is open,
  // whose web view shows `url` with pb_event bound to `on_message` (the argument list as JSON text).
  // False when the window or its web view cannot be made.
  virtual bool open_preview_window(const PreviewWindowSpec& spec,
                                   std::function<void(const std::string& args_json)> on_message) = 0;
  virtual bool preview_window_exists() const = 0;
  virtual void preview_window_size(int& width, int& height) const = 0;   // inner size
  virtual void set_preview_title(const std::string& title) = 0;
  virtual void close_preview_window() = 0;
  // The primary screen's height; 0 when it cannot be told.
  virtual int screen_height() const = 0;

  // Lets the user pick the colour of any pixel on the screen (modal: the program's own loop does not
  // run meanwhile, and page calls are dropped by the bridge). `hex` is "RRGGBB" after a pick; `why`
  // says what was missing when the pick is unavailable.
  virtual RtScreenPick pick_screen_color(std::string& hex, std::string& why) = 0;
};
