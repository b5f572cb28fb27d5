#include "commands.h"

#include <nlohmann/json.hpp>

#include "script.h"
#include "support.h"
#include "rt/fs.h"

namespace {

constexpr const char* kNotAvailable = "This command is not available yet in this version of Quorlin.";

// The node id of an open_external_editor value {subPath, nodeId}; "" when there is none.
std::string NodeIdOf(const std::string& value) {
  const nlohmann::json request = nlohmann::json::parse(value, nullptr, /*allow_exceptions=*/false);
  if (!request.is_object()) return {};
  const auto id = request.find("nodeId");
  return id != request.end() && id->is_string() ? id->get<std::string>() : std::string();
}

}  // namespace

std::string ProjectStagingPath() { return rt_fs_temp_dir() + kProjectStagingFileName; }

void EditorCommands::handle(const std::string& id, const std::string& type, const std::string& value) {
  if (id != "quorlin") return;
  if (type == "new_project_request") new_project_request();
  else if (type == "check_new") check_new(value);
  else if (type == "detect_pb") detect_compiler();
  else if (type == "new") new_project(value);
  else if (type == "save_as") save_as(value);
  else if (type == "open_projects_folder") open_projects_folder();
  else if (type == "change_projects_folder") change_projects_folder();
  else if (type == "load") load();
  else if (type == "load_project") load_project(value);
  else if (type == "export_pb" || type == "export_html") return;   // the page saved an export: nothing to do
  else if (type == "confirm_close") {
    // Anything but "yes" keeps the editor running.
    if (value == "yes") loop_.request_quit();
  } else if (type == "delete") delete_project(value);
  else if (type == "export_project_zip") export_project_zip(value);
  else if (type == "import_project_zip") import_project_zip();
  else if (type == "preview" && open_preview) open_preview(value);
  else if (type == "compiler_requester") compiler_requester();
  else if (type == "icon_requester") icon_requester();
  else if (type == "run_compiler") run_compiler(value);
  else if (type == "run_pbp") run_pbp(value);
  else if (type == "open_external_editor" && open_external_editor) open_external_editor(value);
  else if (type == "open_external_editor" || type == "preview") not_available(type, value);
}

void EditorCommands::toast(const std::string& text, const char* kind, int milliseconds) {
  ui_.eval_script(0, "if (typeof showToast === 'function') showToast(" + JsString(text) + ", " + JsString(kind) +
                         ", " + std::to_string(milliseconds) + ");");
}

void EditorCommands::not_available(const std::string& type, const std::string& value) {
  HostLog("command not available yet: " + type);
  toast(kNotAvailable, "error", 4000);
  if (type == "open_external_editor") {
    ui_.eval_script(0, JsCallIfDefined("window._fnjsExternalError", {NodeIdOf(value)}));
  } else if (type == "preview") {
    // The page covers the editor while a preview is open; it is never opened, so it is closed at once.
    ui_.eval_script(0, JsCallIfDefined("window._pbPreviewClosed", {}));
  }
}
