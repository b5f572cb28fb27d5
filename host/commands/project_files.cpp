#include "project_files.h"

#include <filesystem>

#include "support.h"
#include "rt/fs.h"
#include "rt/text.h"

namespace fs = std::filesystem;

bool MakeProjectFolder(const std::string& folder) {
  bool ok = MakeDirectoryExternal(folder);
  for (const char* sub : kProjectSubfolders) ok = ok && MakeDirectoryExternal(folder + sub);
  return ok;
}

bool CopyProjectTemplates(const std::string& program_folder, const std::string& project_folder) {
  bool ok = true;
  for (const char* name : kProjectTemplateFolders) {
    std::error_code error;
    if (!fs::is_directory(program_folder + name, error)) continue;
    fs::create_directories(project_folder + name, error);
    fs::copy(program_folder + name, project_folder + name,
             fs::copy_options::recursive | fs::copy_options::skip_existing | fs::copy_options::copy_symlinks, error);
    if (error) {
      HostLog("template folder not copied: " + program_folder + name + ": " + error.message());
      ok = false;
    }
  }
  return ok;
}

bool CopyFolderContents(const std::string& from, const std::string& to, const std::string& skip) {
  std::error_code error;
  fs::create_directories(to, error);
  if (!fs::is_directory(to, error)) return false;
  bool ok = true;
  fs::directory_iterator it(from, error);
  if (error) return !fs::exists(from);   // nothing to copy is no failure
  for (fs::directory_iterator end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name == skip) continue;
    std::error_code step;
    fs::copy(it->path(), to + name,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing | fs::copy_options::copy_symlinks,
             step);
    if (step) {
      HostLog("not copied: " + it->path().string() + ": " + step.message());
      ok = false;
    }
  }
  return ok && !error;
}

bool FoldersOverlap(const std::string& a, const std::string& b) {
  std::error_code error;
  const fs::path pa = fs::weakly_canonical(a, error);
  if (error) return true;   // unknown: refuse rather than risk copying a folder into itself
  const fs::path pb = fs::weakly_canonical(b, error);
  if (error) return true;
  const auto starts_with = [](const fs::path& whole, const fs::path& start) {
    auto w = whole.begin();
    for (const fs::path& part : start) {
      if (part.empty()) continue;   // the empty last part of a path that ends with '/'
      if (w == whole.end() || *w != part) return false;
      ++w;
    }
    return true;
  };
  return starts_with(pa, pb) || starts_with(pb, pa);
}

std::string ProjectNameFromPath(const std::string& path) {
  std::string name = rt_path_file_part(path);
  if (name.size() >= 4 && rt_string_lower(name.substr(name.size() - 4)) == ".qui") name.resize(name.size() - 4);
  return name;
}
