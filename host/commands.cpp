#include "commands.h"

void EditorCommands::handle(const std::string& id, const std::string& type, const std::string& value) {
  if (id != "quorlin") return;
  if (type == "confirm_close") {
    // Anything but "yes" keeps the editor running.
    if (value == "yes") loop_.request_quit();
    return;
  }
}
