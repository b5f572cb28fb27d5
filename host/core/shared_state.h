// Host state that the UI thread and the HTTP server thread both read. Every accessor copies under
// a lock, so a reader never sees a released value.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>

// The largest project document or project file the host takes in (an upload, a command-line file).
inline constexpr uint64_t kProjectDocumentLimit = 256ull << 20;

// Where the projects live, taken as one consistent snapshot: the folder and the layout in force.
// In the default location each project folder holds its document; elsewhere the document lies
// beside the project folder.
struct ProjectsPlace {
  std::string folder;            // ends with '/'; "" when none has been set
  bool default_layout = false;   // the folder is exactly the default location

  std::string folder_of(const std::string& name) const { return folder + name + "/"; }
  std::string document_of(const std::string& name) const {
    return default_layout ? folder + name + "/" + name + ".qui" : folder + name + ".qui";
  }
  // The project's picture for the project picker: a hidden file inside the project folder (both layouts).
  std::string thumbnail_of(const std::string& name) const { return folder_of(name) + ".thumbnail.png"; }
};

class HostShared {
public:
  std::string projects_folder() const;
  void set_projects_folder(std::string folder);
  // The projects folder and its layout (compared with the default location of this run's environment).
  ProjectsPlace projects_place() const;
  std::string current_project() const;
  void set_current_project(std::string name);
  // Where the next standalone executable is written: chosen in the save dialog (UI thread) or given
  // with the upload (server thread). "" when none.
  std::string standalone_save_path() const;
  void set_standalone_save_path(std::string path);

private:
  mutable std::mutex mutex_;
  std::string projects_folder_;
  std::string current_project_;
  std::string standalone_save_path_;
};

HostShared& HostState();
// The open project's name, "" when none (a copy taken under the project-name lock).
std::string GetCurrentProject();

// The projects folder of this run (ends with '/').
std::string ProjectsFolder();
// True when the projects folder is exactly the default location.
bool IsDefaultProjectsFolder();
// Makes `folder` the projects folder and records it in the settings file (same folder: nothing written).
void SetProjectsFolder(const std::string& folder);

// Records the open project (the HTTP server's project-folder fallback follows it) and, when the name
// is not empty, remembers it as the last project in the per-user store.
void SetCurrentProject(const std::string& name);
// The project that was open last, as remembered across runs in the per-user store; "" when none.
std::string LastProject();

// HostState().projects_place()'s paths for a project, in the layout in force.
std::string ProjectFolderPath(const std::string& name);     // ends with '/'
std::string ProjectDocumentPath(const std::string& name);
std::string ProjectThumbnailPath(const std::string& name);
