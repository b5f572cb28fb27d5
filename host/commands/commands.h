// The editor page's commands (id "quorlin") that are not window-level services: projects and the
// projects folder, the compiler, the external code editor, the device preview and quitting. Each
// command answers only by running script in the editor's web view (gadget 0); every text in those
// scripts goes through the one encoder (script.h).
#pragma once
#include <functional>
#include <string>
#include <utility>

#include "event_loop.h"
#include "host_ui.h"

// The copy of a project's document that the page loads: this name in the private temporary folder,
// fetched by the page as "tmp/" + this name.
inline constexpr const char* kProjectStagingFileName = "quorlin_project.json";
std::string ProjectStagingPath();

class EditorCommands {
public:
  // `program_folder` (ending with '/') holds the template folders that new projects get.
  EditorCommands(HostUi& ui, HostLoop& loop, std::string program_folder)
      : ui_(ui), loop_(loop), program_folder_(std::move(program_folder)) {}

  // HandleEditorCommand: acts only for the id "quorlin"; unknown types do nothing.
  void handle(const std::string& id, const std::string& type, const std::string& value);

  // Opens the device preview with the preview command's value; without it the command answers as
  // not available.
  std::function<void(const std::string& value)> open_preview;
  // Opens a script-code node's file in the outside code editor (external_editor.h); without it the
  // command answers as not available.
  std::function<void(const std::string& value)> open_external_editor;

  // Path of the open project's document ("" after new): where save_as finds it.
  const std::string& current_document() const { return current_document_; }

  // A compile that runs longer than this is ended and reported as failed.
  int compile_limit_ms = 10 * 60 * 1000;

private:
  // Projects (commands_project.cpp). Every command that takes a project name refuses one that
  // could name anything but a direct child of the projects folder.
  void new_project_request();
  void check_new(const std::string& chosen);
  void new_project(const std::string& chosen);
  void save_as(const std::string& old_name);
  void open_projects_folder();
  void change_projects_folder();
  void load();
  void load_project(const std::string& name);
  void delete_project(const std::string& name);

  // Project archives (commands_zip.cpp): export_project_zip packs the open project (the page names
  // the one it has just saved), import_project_zip unpacks one and hands it to the page.
  void export_project_zip(const std::string& page_project);
  void import_project_zip();

  // The outside compiler (commands_compiler.cpp). detect_pb reports where it is installed; the two
  // requesters let the user pick the compiler program or an icon; run_compiler compiles the exported
  // base program and starts the program only when this compile wrote it (else the page is told why,
  // with the compiler's output); run_pbp opens the IDE project with the desktop's program for it.
  void detect_compiler();
  void compiler_requester();
  void icon_requester();
  void run_compiler(const std::string& request);
  void run_pbp(const std::string& base);
  // The compiler's home as detect_pb found it, else as the locator finds it now, else "".
  std::string compiler_home();
  // Commands whose work is not built yet: the page is told so at once, through the callbacks it
  // waits on, so no request of the page waits for ever.
  void not_available(const std::string& type, const std::string& value);

  void toast(const std::string& text, const char* kind, int milliseconds);

  HostUi& ui_;
  HostLoop& loop_;
  std::string program_folder_;
  std::string current_document_;
  std::string compiler_home_;
};
