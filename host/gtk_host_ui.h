// HostUi over the runtime's windows: window 0 is the main window, gadget 0 its editor web view;
// window 1 with gadget 1 the device preview; window 2 with gadget 2 the URL window.
#pragma once
#include "host_ui.h"

class GtkHostUi : public HostUi {
public:
  void eval_script(int gadget, const std::string& script) override;
  void show_main_window() override;
  void activate_main_window() override;
  void minimize_main_window() override;
  bool main_window_visible() const override;
  void main_window_frame(int& x, int& y, int& width, int& height) const override;
  void add_timer(int id, int milliseconds) override;
  void remove_timer(int id) override;
  double zoom() const override;
  bool set_zoom(double factor) override;
  void post_main_close() override;
  bool ask_yes_no(const std::string& title, const std::string& text) override;
  void message(const std::string& title, const std::string& text) override;
  std::string open_file_dialog(const std::string& title, const std::string& default_path,
                               const std::string& pattern) override;
  std::string save_file_dialog(const std::string& title, const std::string& default_path,
                               const std::string& pattern) override;
  std::string choose_folder_dialog(const std::string& title, const std::string& start_folder) override;
  std::string clipboard_text() override;
  bool pointer_position(int& x, int& y) override;
  bool pointer_button_down() override;
  void warp_pointer(int x, int y) override;
  void set_cursor_hidden(bool hidden) override;
  bool url_window_open() const override;
  void open_url_window(int x, int y, int inner_width, int inner_height, const std::string& title,
                       const std::string& url) override;
  void activate_url_window() override;
  void close_url_window() override;
  bool open_with_desktop(const std::string& uri) override;
  bool open_preview_window(const PreviewWindowSpec& spec,
                           std::function<void(const std::string& args_json)> on_message) override;
  bool preview_window_exists() const override;
  void preview_window_size(int& width, int& height) const override;
  void set_preview_title(const std::string& title) override;
  void close_preview_window() override;
  int screen_height() const override;
  RtScreenPick pick_screen_color(std::string& hex, std::string& why) override;
};
