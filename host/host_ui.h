// What the host's decisions need of its windows and web views. The program implements it over the
// runtime's GTK layer; tests implement it with a recorder.
#pragma once
#include <string>

class HostUi {
public:
  virtual ~HostUi() = default;
  // Runs a script in a web view (0 = the editor), fire and forget.
  virtual void eval_script(int gadget, const std::string& script) = 0;
  virtual void show_main_window() = 0;
  virtual void activate_main_window() = 0;
  virtual bool main_window_visible() const = 0;
  virtual void add_timer(int id, int milliseconds) = 0;
  virtual void remove_timer(int id) = 0;
  virtual double zoom() const = 0;              // the editor web view's zoom; 0 when there is none
  virtual bool set_zoom(double factor) = 0;
  virtual void post_main_close() = 0;           // queues a close event for the main window
  virtual bool ask_yes_no(const std::string& title, const std::string& text) = 0;
  virtual void message(const std::string& title, const std::string& text) = 0;
};
