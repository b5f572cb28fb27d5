// A HostUi that records what the host asked of its windows.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "host_ui.h"

class FakeUi : public HostUi {
public:
  std::vector<std::string> scripts;           // scripts run in gadget 0
  std::map<int, int> timers;                  // id -> period
  std::vector<std::string> questions;
  std::vector<std::string> messages;
  bool visible = false;
  int activations = 0;
  int close_posts = 0;
  double zoom_factor = 1.0;
  bool answer_yes = true;

  void eval_script(int gadget, const std::string& script) override {
    if (gadget == 0) scripts.push_back(script);
  }
  void show_main_window() override { visible = true; }
  void activate_main_window() override { ++activations; visible = true; }
  bool main_window_visible() const override { return visible; }
  void add_timer(int id, int milliseconds) override { timers[id] = milliseconds; }
  void remove_timer(int id) override { timers.erase(id); }
  double zoom() const override { return zoom_factor; }
  bool set_zoom(double factor) override { zoom_factor = factor; return true; }
  void post_main_close() override { ++close_posts; }
  bool ask_yes_no(const std::string&, const std::string& text) override {
    questions.push_back(text);
    return answer_yes;
  }
  void message(const std::string&, const std::string& text) override { messages.push_back(text); }

  bool ran(const std::string& fragment) const {
    for (const auto& s : scripts)
      if (s.find(fragment) != std::string::npos) return true;
    return false;
  }
};
