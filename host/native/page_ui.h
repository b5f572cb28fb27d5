// What the native operations of pages need of the program that shows them (the editor host or the
// loader): scripts run in a web view, and the main window's timers that drive deferred work.
#pragma once
#include <string>

class PageScriptUi {
public:
  virtual ~PageScriptUi() = default;
  // Runs a script in a web view (0 = the program's main one), fire and forget.
  virtual void eval_script(int gadget, const std::string& script) = 0;
  virtual void add_timer(int id, int milliseconds) = 0;
  virtual void remove_timer(int id) = 0;
};
