#include "external_editor.h"

#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "paths.h"
#include "project_paths.h"
#include "script.h"
#include "shared_state.h"
#include "support.h"
#include "url.h"
#include "rt/fs.h"
#include "rt/process.h"

namespace {

constexpr const char* kDefaultEditorName = "code";

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The first executable `name` in the absolute folders of `path_variable`.
std::string FindOnPath(const std::string& name, const std::string& path_variable) {
  if (name.empty() || name.find('/') != std::string::npos) return {};
  for (const std::string& folder : AbsolutePathFolders(path_variable))
    if (IsExecutableFile(folder + name)) return folder + name;
  return {};
}

std::string StringMember(const nlohmann::json& object, const char* name) {
  const auto it = object.find(name);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

CodeEditorSearch DefaultCodeEditorSearch() {
  return {rt_env_get("QUORLIN_CODE_EDITOR"), rt_env_get("PATH")};
}

std::string LocateCodeEditor(const CodeEditorSearch& search) {
  if (!search.variable.empty()) {
    if (search.variable.starts_with('/')) return IsExecutableFile(search.variable) ? search.variable : std::string();
    return FindOnPath(search.variable, search.path_variable);
  }
  return FindOnPath(kDefaultEditorName, search.path_variable);
}

ExternalEditor::ExternalEditor(PageScriptUi& ui, int timer) : ui_(ui), timer_(timer) {
  locate = [] { return LocateCodeEditor(DefaultCodeEditorSearch()); };
  start = [](const std::string& program, const std::string& file) { return rt_process_start(program, {file}, ""); };
}

void ExternalEditor::open(const std::string& value) {
  const nlohmann::json request = nlohmann::json::parse(value, nullptr, /*allow_exceptions=*/false);
  if (!request.is_object()) return;
  const std::string sub_path = StringMember(request, "subPath");
  const std::string node_id = StringMember(request, "nodeId");
  if (sub_path.empty() || node_id.empty()) return;
  const ProjectsPlace place = HostState().projects_place();
  if (place.folder.empty() || !IsSafeRelativePath(sub_path)) {
    HostLog("external editor: refused path \"" + sub_path + "\"");
    return;
  }
  const std::string path = place.folder + sub_path;
  if (!ProjectPathInside(place, path)) {
    HostLog("external editor: refused path \"" + sub_path + "\"");
    return;
  }
  if (rt_fs_file_size(path) <= 0) return;   // missing, a folder, or empty

  // The file as it is before the editor starts: whatever the editor writes, however soon, is a change.
  const int64_t modified = rt_fs_file_date_ns(path);
  const int64_t size = rt_fs_file_size(path);
  const std::string program = locate ? locate() : std::string();
  if (program.empty() || !start || !start(program, path)) {
    HostLog(program.empty() ? "external editor: none found" : "external editor: \"" + program + "\" could not be started");
    ui_.eval_script(0, JsCallIfDefined("window._fnjsExternalError", {node_id}));
    return;
  }
  HostLog("external editor: watching " + path);
  watch_ = {path, node_id, sub_path, modified, size};
  ui_.remove_timer(timer_);
  ui_.add_timer(timer_, kExternalEditorWatchMs);
}

void ExternalEditor::watch_step() {
  if (watch_.file.empty()) {
    ui_.remove_timer(timer_);
    return;
  }
  const int64_t modified = rt_fs_file_date_ns(watch_.file);
  const int64_t size = rt_fs_file_size(watch_.file);
  if (modified == 0 || (modified == watch_.modified_ns && size == watch_.size)) return;
  watch_.modified_ns = modified;
  watch_.size = size;
  push();
}

void ExternalEditor::push() {
  if (watch_.file.empty() || rt_fs_file_size(watch_.file) <= 0) return;
  std::string text;
  if (!rt_file_read_all(watch_.file, text) || text.empty()) return;
  ui_.eval_script(0, JsCallIfDefined("window._fnjsExternalSync", {watch_.node_id, text, watch_.sub_path}));
}
