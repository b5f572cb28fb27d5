// LoaderUi over the runtime's GTK layer: window 0 and its web view 0.
#pragma once
#include "loader_bridge.h"
#include "window_region.h"

class GtkLoaderUi : public LoaderUi {
public:
  // Pictures of a see-through page come from `images`.
  explicit GtkLoaderUi(RegionImageSource images) : images_(std::move(images)) {}

  void eval_script(int gadget, const std::string& script) override;
  void add_timer(int id, int milliseconds) override;
  void remove_timer(int id) override;
  void show_window() override;
  bool window_visible() const override;
  void fit_view() override;
  double zoom() const override;
  bool set_zoom(double factor) override;
  std::string clipboard_text() override;
  void set_clipboard_text(const std::string& text) override;
  bool open_uri(const std::string& uri) override;
  std::string open_file_dialog(const std::string& title, const std::string& default_path,
                               const std::string& pattern) override;
  std::string save_file_dialog(const std::string& title, const std::string& default_path,
                               const std::string& pattern) override;
  void apply_corner_region(int top_left, int top_right, int bottom_right, int bottom_left) override;
  void apply_transparent_region(const std::string& value) override;
  void begin_move() override;
  void begin_resize(const std::string& zone) override;
  void minimize() override;
  void toggle_maximize() override;
  void close_window() override;

private:
  RegionImageSource images_;
};
