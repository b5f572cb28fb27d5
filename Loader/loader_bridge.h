// UI_InternalCallback: the one routine through which the application's page talks to the loader
// (bound as pb_event). It shows the window when the page is ready, answers the clipboard and zoom
// requests, the seven native requests of pages, and the window requests of a page with its own title
// bar. What the page learns comes back as scripts run in the web view, never as the call's result.
#pragma once
#include <string>
#include <string_view>

#include "command_queue.h"
#include "page_ui.h"
#include "payload.h"
#include "ws_relay.h"

// What the bridge needs of the loader's window, web view and desktop. The program implements it over
// the runtime's GTK layer; tests with a recorder.
class LoaderUi : public PageScriptUi {
public:
  virtual void show_window() = 0;
  virtual bool window_visible() const = 0;
  virtual void fit_view() = 0;                  // the web view fills the window's inner size
  virtual double zoom() const = 0;              // 0 when there is no web view
  virtual bool set_zoom(double factor) = 0;
  virtual std::string clipboard_text() = 0;     // "" when the clipboard holds no text
  virtual void set_clipboard_text(const std::string& text) = 0;
  virtual bool open_uri(const std::string& uri) = 0;   // http, https, mailto and file only
  // Modal file dialogs; "" when cancelled. `pattern` is "Label|*.a;*.b|...".
  virtual std::string open_file_dialog(const std::string& title, const std::string& default_path,
                                       const std::string& pattern) = 0;
  virtual std::string save_file_dialog(const std::string& title, const std::string& default_path,
                                       const std::string& pattern) = 0;
  // The window's own title bar (a borderless window).
  virtual void apply_corner_region(int top_left, int top_right, int bottom_right, int bottom_left) = 0;
  // A transparent page's shape (a transparent_region message's value); a value that is not a JSON object
  // keeps the shape the window has.
  virtual void apply_transparent_region(const std::string& value) = 0;
  virtual void begin_move() = 0;
  virtual void begin_resize(const std::string& zone) = 0;
  virtual void minimize() = 0;
  virtual void toggle_maximize() = 0;
  virtual void close_window() = 0;
};

// The main window's timers of the deferred native work.
inline constexpr int kDialogTimer = 99;
inline constexpr int kCommandTimer = 100;

// The text made safe inside a single-quoted script literal: backslash first, then the quote, CR and
// LF; other control characters and the line separators U+2028 and U+2029 as \u escapes.
std::string EscapeJsString(std::string_view text);

// The member "zone" of the page's resize options (the object alone or first in an array); "" when none.
std::string ResizeZoneFromOptions(const std::string& options_json);

class LoaderBridge {
public:
  LoaderBridge(LoaderUi& ui, const LoaderSettings& settings) : ui_(ui), settings_(settings), commands_(ui, kCommandTimer) {}

  // UI_InternalCallback: the page's argument list as JSON text. A call made while another is being
  // handled is dropped.
  void handle(const std::string& args_json);
  // RunDialogRequest: the step of the dialog timer.
  void run_dialog_request();
  // The step of the command timer: commands whose output is wanted run one after another and are
  // read while they run.
  void run_command_step() { commands_.step(); }

  // The process's WebSocket relay, started and stopped by the page (none: starting fails).
  void set_relay(WsRelay* relay) { relay_ = relay; }

  CommandQueue& commands() { return commands_; }
  const std::string& pending_dialog() const { return dialog_.callback_id; }

private:
  struct PendingDialog {
    std::string callback_id;
    bool save = false;
    std::string pattern;
    std::string default_path;
  };

  void dispatch(const std::string& id, const std::string& type, const std::string& value);
  void native_request(const std::string& type, const std::string& value);
  void window_request(const std::string& id, const std::string& type, const std::string& value);
  void page_ready();

  LoaderUi& ui_;
  const LoaderSettings& settings_;
  CommandQueue commands_;
  PendingDialog dialog_;
  WsRelay* relay_ = nullptr;
  bool busy_ = false;
};
