// HostUi over the runtime's windows: window 0 is the main window, gadget 0 its editor web view.
#pragma once
#include "host_ui.h"

class GtkHostUi : public HostUi {
public:
  void eval_script(int gadget, const std::string& script) override;
  void show_main_window() override;
  void activate_main_window() override;
  bool main_window_visible() const override;
  void add_timer(int id, int milliseconds) override;
  void remove_timer(int id) override;
  double zoom() const override;
  bool set_zoom(double factor) override;
  void post_main_close() override;
  bool ask_yes_no(const std::string& title, const std::string& text) override;
  void message(const std::string& title, const std::string& text) override;
};
