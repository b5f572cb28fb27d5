// A project's files on disk as the host's project commands and start-up make, copy and remove them.
// The layout rule itself (where the document lies) is ProjectDocumentPath's.
#pragma once
#include <string>

// The sub-folders every project folder starts with: the page uploads media into "images/" and
// "Videos/", the asset copy writes script libraries into "Libraries/".
inline constexpr const char* kProjectSubfolders[] = {"images", "Videos", "Libraries"};

// Folders beside the program that a new project gets a copy of. Only the icon fonts: pages exported
// from the project load them from "Fonts/" beside themselves, and under the host nothing else puts
// them there (the page copies libraries into "Libraries/" itself when it exports).
inline constexpr const char* kProjectTemplateFolders[] = {"Fonts"};

// Creates `folder` (ending with '/') with kProjectSubfolders; true when all of them exist afterwards.
bool MakeProjectFolder(const std::string& folder);
// Copies each of kProjectTemplateFolders that exists in `program_folder` into `project_folder`
// (both ending with '/'), recursively, keeping files already there. True when nothing failed.
bool CopyProjectTemplates(const std::string& program_folder, const std::string& project_folder);

// Copies every entry of `from` into `to` (both folders ending with '/'; `to` is created), folders
// recursively, replacing files of the same name; symbolic links are copied as links, never followed.
// A top-level entry named `skip` is left out. True when everything was copied.
bool CopyFolderContents(const std::string& from, const std::string& to, const std::string& skip);

// True when the two paths, once links are followed, are the same folder or one lies inside the
// other: copying either into the other would copy a folder into itself.
bool FoldersOverlap(const std::string& a, const std::string& b);

// The project name a path chosen in a dialog stands for: its file part without a ".qui" extension
// (in any case); other extensions are part of the name.
std::string ProjectNameFromPath(const std::string& path);
