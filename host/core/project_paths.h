// Names and paths that come from the page, a request, a dialog, the command line or the per-user
// store: what is accepted, and where those paths lead once symbolic links are followed. Every route
// and command that reads or writes below a folder goes through these.
#pragma once
#include <string>
#include <string_view>

// "\" becomes "/": a relative path from the page may use either separator.
std::string NormaliseSeparators(std::string text);

struct ProjectsPlace;

// The one rule for a single file or folder name (a project, a loader file): not empty, not "." or
// "..", and without "/", "\", NUL or any other control character. Such a name joined to a folder
// names a direct child of it and nothing else.
bool IsPlainName(std::string_view name);

// An absolute path given by the page: begins with "/", holds no NUL and no ".." segment (with "/"
// or "\" as the separator).
bool IsAcceptedAbsolutePath(std::string_view path);

// True when `path`, once every symbolic link of its existing part is followed, is `folder` (also
// followed) or lies below it. The part of `path` that does not exist yet (a file about to be written)
// is taken as it is.
bool StaysInside(const std::string& folder, const std::string& path);

// The one containment rule of everything that touches a project: `path` (a project's folder, its
// document or a file of it) lies inside the projects folder once every link is followed. A project
// folder that is a link to somewhere else is outside, whatever route or command is asked.
bool ProjectPathInside(const ProjectsPlace& place, const std::string& path);

// Creates `folder` and its missing parents, refusing when any step would lead out of `root`;
// true when `folder` is a folder inside `root` afterwards.
bool MakeFolderInside(const std::string& root, const std::string& folder);

// A regular file of at least one byte, and a folder (links followed).
bool IsServableFile(const std::string& path);
bool IsFolder(const std::string& path);

// The file or folder that `rel` (a checked relative path) names in a project folder, or "" when
// there is none inside `root`. Project folders are made with lower-case sub-folders ("images/") while
// pages also ask for "Images/": when the exact path is not found, the first segment of `rel` is
// matched against the project folder's sub-folders without regard to ASCII case (in name order, the
// first that holds what is asked for wins). An empty `rel` names the project folder itself.
std::string FindProjectFile(const std::string& root, const std::string& project_folder, const std::string& rel);
std::string FindProjectFolder(const std::string& root, const std::string& project_folder, const std::string& rel);
