// open_external_editor: a script-code node's file (written by the page below the projects folder) opened
// in the outside code editor, and the one watch that pushes every save of that file back into the page
// through window._fnjsExternalSync(node id, text, path below the projects folder).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "page_ui.h"

// The editor program the user named in $QUORLIN_CODE_EDITOR (a path, or a name looked up on PATH), else
// "code" on PATH; "" when there is none. Only executable regular files count.
struct CodeEditorSearch {
  std::string variable;        // the value of $QUORLIN_CODE_EDITOR
  std::string path_variable;   // the value of $PATH
};
CodeEditorSearch DefaultCodeEditorSearch();
std::string LocateCodeEditor(const CodeEditorSearch& search);

class ExternalEditor {
public:
  // `timer` is the main window's timer whose ticks run watch_step().
  ExternalEditor(PageScriptUi& ui, int timer);

  // open_external_editor {subPath, nodeId}. A path that could leave the projects folder, a missing or
  // empty file and a malformed value are dropped without an answer. Otherwise the editor starts on the
  // file (detached: it is never waited for, asked about or ended, and leaves no zombie), the file
  // replaces any file watched before, and the timer ticks every 500 ms. No editor found, or none
  // started: window._fnjsExternalError(node id).
  void open(const std::string& value);

  // One tick: a change of the watched file's modification time (nanoseconds) or size pushes its text,
  // so two saves within one second both arrive. An empty or unreadable file pushes nothing.
  void watch_step();

  const std::string& watched_file() const { return watch_.file; }

  // How the editor is found and started; tests replace them.
  std::function<std::string()> locate;
  std::function<bool(const std::string& program, const std::string& file)> start;

private:
  void push();

  PageScriptUi& ui_;
  int timer_;
  struct Watch {
    std::string file;      // full path; "" while nothing is watched
    std::string node_id;
    std::string sub_path;  // as the page named it
    int64_t modified_ns = 0;
    int64_t size = -1;
  } watch_;
};

inline constexpr int kExternalEditorWatchMs = 500;
