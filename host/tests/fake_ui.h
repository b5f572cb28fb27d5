// A HostUi that records what the host asked of its windows and gives scripted answers for dialogs,
// the clipboard and the pointer.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host_ui.h"

class FakeUi : public HostUi {
public:
  std::vector<std::string> scripts;           // scripts run in gadget 0
  std::vector<std::pair<int, std::string>> other_scripts;   // (gadget, script) for other web views
  std::map<int, int> timers;                  // id -> period
  std::vector<std::string> questions;
  std::vector<std::string> messages;
  std::vector<bool> message_above_window;   // whether the main window was shown under each message
  bool visible = false;
  int activations = 0;
  int minimizes = 0;
  int close_posts = 0;
  double zoom_factor = 1.0;
  bool answer_yes = true;
  int main_x = 100, main_y = 50, main_width = 1600, main_height = 900;

  // Dialogs: each shown dialog is recorded as "open|title|default path|pattern" (or "save|...",
  // "folder|title|start folder|") and
  // takes the next answer ("" = cancelled; none left = cancelled).
  std::vector<std::string> dialogs;
  std::deque<std::string> dialog_answers;
  std::string clipboard;

  // The pointer: where it is, whether it can be read, and every warp asked for.
  int pointer_x = 0, pointer_y = 0;
  bool pointer_readable = true;
  bool button_down = true;
  std::vector<std::pair<int, int>> warps;
  bool cursor_hidden = false;
  int cursor_hides = 0;

  // The URL window.
  bool url_open = false;
  std::string url_shown;
  std::vector<int> url_frame;                 // x, y, width, height
  int url_activations = 0;
  std::vector<std::string> desktop_opened;

  // The device-preview window: every opening asked for, whether it exists, its inner size and title,
  // and the routine its page's pb_event calls.
  std::vector<PreviewWindowSpec> preview_openings;
  bool preview_exists = false;
  bool preview_opens = true;   // false: the window cannot be made
  int preview_width = 0, preview_height = 0;
  std::string preview_title;
  std::function<void(const std::string&)> preview_page;
  int screen = 1080;

  // The screen colour pick: what it answers, and how many were asked for.
  RtScreenPick pick_result = RtScreenPick::kCancelled;
  std::string pick_hex;
  int picks = 0;

  void eval_script(int gadget, const std::string& script) override {
    if (gadget == 0) scripts.push_back(script);
    else other_scripts.emplace_back(gadget, script);
  }
  void show_main_window() override { visible = true; }
  void activate_main_window() override { ++activations; visible = true; }
  void minimize_main_window() override { ++minimizes; }
  bool main_window_visible() const override { return visible; }
  void main_window_frame(int& x, int& y, int& width, int& height) const override {
    x = main_x, y = main_y, width = main_width, height = main_height;
  }
  void add_timer(int id, int milliseconds) override { timers[id] = milliseconds; }
  void remove_timer(int id) override { timers.erase(id); }
  double zoom() const override { return zoom_factor; }
  bool set_zoom(double factor) override { zoom_factor = factor; return true; }
  void post_main_close() override { ++close_posts; }
  bool ask_yes_no(const std::string&, const std::string& text) override {
    questions.push_back(text);
    return answer_yes;
  }
  void message(const std::string&, const std::string& text) override {
    messages.push_back(text);
    message_above_window.push_back(visible);
  }

  std::string open_file_dialog(const std::string& title, const std::string& path, const std::string& pattern) override {
    return dialog("open", title, path, pattern);
  }
  std::string save_file_dialog(const std::string& title, const std::string& path, const std::string& pattern) override {
    return dialog("save", title, path, pattern);
  }
  std::string choose_folder_dialog(const std::string& title, const std::string& start_folder) override {
    return dialog("folder", title, start_folder, "");
  }
  std::string clipboard_text() override { return clipboard; }

  bool pointer_position(int& x, int& y) override {
    if (!pointer_readable) return false;
    x = pointer_x, y = pointer_y;
    return true;
  }
  bool pointer_button_down() override { return button_down; }
  void warp_pointer(int x, int y) override {
    warps.emplace_back(x, y);
    pointer_x = x, pointer_y = y;
  }
  void set_cursor_hidden(bool hidden) override {
    if (hidden && !cursor_hidden) ++cursor_hides;
    cursor_hidden = hidden;
  }

  bool url_window_open() const override { return url_open; }
  void open_url_window(int x, int y, int width, int height, const std::string&, const std::string& url) override {
    url_open = true;
    url_shown = url;
    url_frame = {x, y, width, height};
  }
  void activate_url_window() override { ++url_activations; }
  void close_url_window() override { url_open = false; }
  bool open_with_desktop(const std::string& uri) override {
    desktop_opened.push_back(uri);
    return true;
  }

  bool open_preview_window(const PreviewWindowSpec& spec,
                           std::function<void(const std::string& args_json)> on_message) override {
    preview_openings.push_back(spec);
    if (!preview_opens) return false;
    preview_exists = true;
    preview_width = spec.width, preview_height = spec.height;
    preview_title = spec.title;
    preview_page = std::move(on_message);
    return true;
  }
  bool preview_window_exists() const override { return preview_exists; }
  void preview_window_size(int& width, int& height) const override { width = preview_width, height = preview_height; }
  void set_preview_title(const std::string& title) override { preview_title = title; }
  void close_preview_window() override { preview_exists = false; }
  int screen_height() const override { return screen; }

  // Scripts run in one web view other than the editor's.
  std::vector<std::string> scripts_in(int gadget) const {
    std::vector<std::string> found;
    for (const auto& [g, s] : other_scripts)
      if (g == gadget) found.push_back(s);
    return found;
  }

  bool ran(const std::string& fragment) const {
    for (const auto& s : scripts)
      if (s.find(fragment) != std::string::npos) return true;
    return false;
  }

private:
  std::string dialog(const char* kind, const std::string& title, const std::string& path, const std::string& pattern) {
    dialogs.push_back(std::string(kind) + "|" + title + "|" + path + "|" + pattern);
    if (dialog_answers.empty()) return {};
    std::string answer = dialog_answers.front();
    dialog_answers.pop_front();
    return answer;
  }
  RtScreenPick pick_screen_color(std::string& hex, std::string& why) override {
    ++picks;
    hex = pick_result == RtScreenPick::kPicked ? pick_hex : "";
    if (pick_result == RtScreenPick::kUnavailable) why = "no X11 display";
    return pick_result;
  }
};
