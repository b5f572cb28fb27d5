#include "shared_state.h"

#include "paths.h"
#include "registry.h"
#include "settings.h"
#include "support.h"
#include "rt/fs.h"

std::string HostShared::projects_folder() const {
  std::lock_guard lock(mutex_);
  return projects_folder_;
}

void HostShared::set_projects_folder(std::string folder) {
  std::lock_guard lock(mutex_);
  projects_folder_ = std::move(folder);
}

std::string HostShared::current_project() const {
  std::lock_guard lock(mutex_);
  return current_project_;
}

void HostShared::set_current_project(std::string name) {
  std::lock_guard lock(mutex_);
  current_project_ = std::move(name);
}

std::string HostShared::standalone_save_path() const {
  std::lock_guard lock(mutex_);
  return standalone_save_path_;
}

void HostShared::set_standalone_save_path(std::string path) {
  std::lock_guard lock(mutex_);
  standalone_save_path_ = std::move(path);
}

ProjectsPlace HostShared::projects_place() const {
  ProjectsPlace place;
  place.folder = projects_folder();
  place.default_layout = !place.folder.empty() && place.folder == DefaultProjectsFolder();
  return place;
}

HostShared& HostState() {
  static HostShared state;
  return state;
}

std::string GetCurrentProject() { return HostState().current_project(); }

std::string ProjectsFolder() { return HostState().projects_folder(); }

bool IsDefaultProjectsFolder() { return HostState().projects_place().default_layout; }

void SetProjectsFolder(const std::string& folder) {
  const std::string next = WithTrailingSlash(folder);
  if (next == HostState().projects_folder()) return;
  HostState().set_projects_folder(next);
  const std::string path = HostSettingsPath();
  const std::string line = rt_file_read_first_line(path);
  // Failures are not reported: the folder stays in force for this run either way.
  MakeDirectoryExternal(rt_path_dir_part(path));
  rt_file_write_atomic(path, ReplaceProjectsFolderMember(line, next));
}

void SetCurrentProject(const std::string& name) {
  HostState().set_current_project(name);
  if (!name.empty()) RegistryWriteString(kHostRegistryKey, kLastProjectValue, name);
}

std::string LastProject() { return RegistryReadValue(RegistryRoot::kCurrentUser, kHostRegistryKey, kLastProjectValue); }

std::string ProjectFolderPath(const std::string& name) { return HostState().projects_place().folder_of(name); }

std::string ProjectDocumentPath(const std::string& name) { return HostState().projects_place().document_of(name); }

std::string ProjectThumbnailPath(const std::string& name) { return HostState().projects_place().thumbnail_of(name); }
