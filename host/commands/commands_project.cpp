// The project commands of the editor page: new, save as, open (list and load), delete, and the
// projects folder. Names from the page are checked with the routes' own project-name rule, so no
// command can reach the projects folder itself, its parent or anything below another folder.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "commands.h"
#include "paths.h"
#include "project_files.h"
#include "project_paths.h"
#include "project_zip.h"
#include "script.h"
#include "shared_state.h"
#include "support.h"
#include "url.h"
#include "rt/fs.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kProjectPattern = "Quorlin projects|*.qui|All files|*";
// Folders of external code files sit beside the project folders in both layouts; they are no projects.
constexpr const char* kCodeFolderSuffix = ".fnjs";

std::string IfDefined(const std::string& function, const std::string& call) {
  return "if (typeof " + function + " === 'function') " + call + ";";
}

bool HasBytes(const std::string& path) { return rt_fs_file_size(path) > 0; }

// Removes a file, link or folder tree; a link is removed itself, never what it leads to.
bool RemoveAll(const std::string& path) {
  std::error_code error;
  fs::remove_all(path, error);
  if (error) HostLog("not deleted: " + path + ": " + error.message());
  return !error;
}

}  // namespace

void EditorCommands::new_project_request() {
  const std::string chosen = ui_.save_file_dialog("New project", ProjectsFolder(), kProjectPattern);
  const auto answer = [&](const std::string& name, bool cancelled) {
    ui_.eval_script(0, IfDefined("window._newProjectName", "window._newProjectName({name: " + JsString(name) +
                                                               ", cancelled: " + (cancelled ? "true" : "false") +
                                                               "})"));
  };
  if (chosen.empty()) return answer("", true);
  const std::string name = ProjectNameFromPath(chosen);
  if (!IsAcceptedAbsolutePath(chosen) || !IsPlainName(name)) {
    toast("\"" + name + "\" cannot name a project.", "error", 4000);
    return answer("", true);
  }
  // Choosing another folder in this dialog makes it the projects folder.
  SetProjectsFolder(rt_path_dir_part(chosen));
  // Lasting: the page dismisses it once the project is ready.
  toast("Creating the project \"" + name + "\"...", "info", 0);
  // Without the ".qui" the page's name for the project is the one the host creates.
  answer(ProjectsFolder() + name, false);
}

void EditorCommands::check_new(const std::string& chosen) {
  const std::string name = ProjectNameFromPath(chosen);
  bool exists = false;
  if (IsPlainName(name)) {
    exists = IsDefaultProjectsFolder() ? rt_fs_file_size(ProjectFolderPath(name)) == -2
                                       : HasBytes(ProjectDocumentPath(name));
  }
  ui_.eval_script(0, IfDefined("window._checkNewResult",
                               "window._checkNewResult(" + JsString(name) + ", " + (exists ? "1" : "0") + ")"));
}

void EditorCommands::new_project(const std::string& chosen) {
  const std::string name = ProjectNameFromPath(chosen);
  if (!IsPlainName(name)) {
    toast("\"" + name + "\" cannot name a project.", "error", 4000);
    return;
  }
  const std::string folder = ProjectFolderPath(name);
  if (!MakeProjectFolder(folder)) {
    toast("The project folder cannot be created:\n" + folder, "error", 6000);
    return;
  }
  // Current before the templates are copied: the page waits for the folder to be served, not for them.
  SetCurrentProject(name);
  current_document_.clear();
  CopyProjectTemplates(program_folder_, folder);
  // The page writes the document itself (save/) and tells the user; the host only notes it.
  ui_.eval_script(0, "console.info(" + JsString("Project folder ready: " + folder) + ");");
}

void EditorCommands::save_as(const std::string& old_name) {
  if (!IsPlainName(old_name)) {
    toast("\"" + old_name + "\" cannot be saved under another name.", "error", 4000);
    return;
  }
  const std::string chosen = ui_.save_file_dialog("Save project as", ProjectsFolder() + old_name, kProjectPattern);
  if (chosen.empty()) return;
  const std::string new_name = ProjectNameFromPath(chosen);
  if (!IsAcceptedAbsolutePath(chosen) || !IsPlainName(new_name)) {
    toast("\"" + new_name + "\" cannot name a project.", "error", 4000);
    return;
  }
  const std::string old_projects = ProjectsFolder();
  const std::string old_folder = ProjectFolderPath(old_name);
  const std::string old_document = GetCurrentProject() == old_name && HasBytes(current_document_)
                                       ? current_document_
                                       : ProjectDocumentPath(old_name);
  const std::string new_projects = WithTrailingSlash(rt_path_dir_part(chosen));
  const std::string new_folder = new_projects + new_name + "/";   // the same in both layouts
  const bool same_place = new_folder == old_folder;

  // A copy into (or over) its own folder would never end or would destroy what it copies.
  if (!same_place && FoldersOverlap(old_folder, new_folder)) {
    toast("A project cannot be saved inside its own folder:\n" + new_folder, "error", 6000);
    return;
  }
  // The dialog has already asked when the chosen file itself exists.
  const bool target_exists =
      rt_fs_file_size(new_folder) != -1 || rt_fs_file_size(new_projects + new_name + ".qui") != -1;
  if (!same_place && target_exists && rt_fs_file_size(chosen) < 0 &&
      !ui_.ask_yes_no("Save project as", "A project named \"" + new_name + "\" already exists in\n" + new_projects +
                                             "\n\nReplace its files?"))
    return;

  SetProjectsFolder(new_projects);
  const std::string new_document = ProjectDocumentPath(new_name);
  bool copied = true;
  if (!same_place) {
    // The document is written last and on its own, under the new name.
    copied = CopyFolderContents(old_folder, new_folder, old_name + ".qui");
    std::string document;
    if (copied && new_document != old_document && rt_file_read_all(old_document, document) && !document.empty())
      copied = rt_file_write_atomic(new_document, document);
  }
  if (!copied) {
    SetProjectsFolder(old_projects);
    toast("The project cannot be copied to:\n" + new_folder, "error", 6000);
    return;
  }
  SetCurrentProject(new_name);
  current_document_ = new_document;
  // The page now saves the open design under the new name.
  ui_.eval_script(0, JsCallIfDefined("_onSaveAsComplete", {new_name}));
}

void EditorCommands::open_projects_folder() {
  const std::string current = GetCurrentProject();
  std::string target = ProjectsFolder();
  if (IsPlainName(current) && rt_fs_file_size(ProjectFolderPath(current)) == -2)
    target = ProjectFolderPath(current);
  if (!ui_.open_with_desktop(FileUri(target))) HostLog("no file browser took " + target);
}

void EditorCommands::change_projects_folder() {
  const std::string chosen = ui_.choose_folder_dialog("Projects folder", ProjectsFolder());
  if (!IsAcceptedAbsolutePath(chosen)) return;   // "" when cancelled
  SetProjectsFolder(chosen);
  // Also when the folder is unchanged: the page reopens its project picker on this answer.
  ui_.eval_script(0, JsCallIfDefined("_onProjectsFolderChanged", {ProjectsFolder()}));
}

void EditorCommands::load() {
  const std::string projects = ProjectsFolder();
  const bool default_layout = IsDefaultProjectsFolder();
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(projects, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    const std::string path = projects + name;
    // What an import is unpacking, or a replaced project on its way out.
    if (name.starts_with(kHostWorkFolderPrefix)) continue;
    if (default_layout) {
      if (!IsFolder(path) || name.ends_with(kCodeFolderSuffix)) continue;
    } else {
      if (!name.ends_with(".qui") || !IsServableFile(path)) continue;
      name.resize(name.size() - 4);
    }
    // Links that lead out of the projects folder are not offered, as the routes would not serve them.
    if (IsPlainName(name) && StaysInside(projects, path)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  std::string list = "[";
  for (const std::string& name : names) {
    if (list.size() > 1) list += ", ";
    // The page fetches each picture itself (thumb/); the member only marks the object form.
    list += default_layout ? JsString(name) : "{name: " + JsString(name) + ", thumb: \"\"}";
  }
  list += "]";
  ui_.eval_script(0, IfDefined("_showProjectPicker", "_showProjectPicker(" + list + ")"));
}

void EditorCommands::load_project(const std::string& name) {
  if (!IsPlainName(name)) {
    toast("\"" + name + "\" is not a project name.", "error", 4000);
    return;
  }
  const std::string document_path = ProjectDocumentPath(name);
  std::string document;
  if (!rt_file_read_all(document_path, document) || document.empty()) {
    toast("The project \"" + name + "\" cannot be opened:\n" + document_path, "error", 6000);
    return;
  }
  if (!rt_file_write_atomic(ProjectStagingPath(), document, 0600)) {
    toast("The project \"" + name + "\" cannot be handed to the editor:\n" + ProjectStagingPath(), "error", 6000);
    return;
  }
  // Only now: a project that failed to open must not become the current or the last one.
  SetCurrentProject(name);
  current_document_ = document_path;
  ui_.eval_script(0, JsCallIfDefined("_loadProjectFromTemp", {name}));
}

void EditorCommands::delete_project(const std::string& name) {
  if (!IsPlainName(name)) {
    HostLog("delete refused: \"" + name + "\"");
    toast("\"" + name + "\" is not a project name: nothing was deleted.", "error", 4000);
    return;
  }
  // Only folders count as project folders; a link to one is removed itself, never what it leads to.
  const auto remove_folder = [](const std::string& path) { return !IsFolder(path) || RemoveAll(path); };
  bool ok = true;
  if (!IsDefaultProjectsFolder()) {
    const std::string document = ProjectDocumentPath(name);
    if (rt_fs_file_size(document) >= 0) ok = RemoveAll(document);
  }
  ok = ok && remove_folder(ProjectsFolder() + name) && remove_folder(ProjectsFolder() + name + kCodeFolderSuffix);
  if (!ok) toast("The project \"" + name + "\" could not be deleted completely.", "error", 6000);
  if (GetCurrentProject() == name) {
    // The page closes the project itself; the server stops serving its folder now.
    HostState().set_current_project("");
    current_document_.clear();
  }
}
