// The editor page's commands (id "quorlin") that are not window-level services.
#pragma once
#include <string>

#include "event_loop.h"

class EditorCommands {
public:
  explicit EditorCommands(HostLoop& loop) : loop_(loop) {}
  // HandleEditorCommand: acts only for the id "quorlin"; unknown types do nothing.
  void handle(const std::string& id, const std::string& type, const std::string& value);

private:
  HostLoop& loop_;
};
