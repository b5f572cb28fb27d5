// The name rule, argument checks and link-aware containment.
#include "project_paths.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "shared_state.h"

namespace fs = std::filesystem;

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

std::string NormaliseSeparators(std::string text) {
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

bool IsPlainName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) return false;
  }
  return true;
}

bool IsAcceptedAbsolutePath(std::string_view path) {
  if (path.empty() || path.front() != '/' || path.find('\0') != std::string_view::npos) return false;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = path.find_first_of("/\\", start);
    const std::string_view segment = path.substr(start, end == std::string_view::npos ? path.npos : end - start);
    if (segment == "..") return false;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return true;
}

bool StaysInside(const std::string& folder, const std::string& path) {
  std::error_code error;
  const fs::path root = fs::canonical(folder, error);
  if (error) return false;
  const fs::path resolved = fs::weakly_canonical(path, error);
  if (error) return false;
  auto step = resolved.begin();
  for (const fs::path& part : root) {
    if (step == resolved.end() || *step != part) return false;
    ++step;
  }
  return true;
}

bool ProjectPathInside(const ProjectsPlace& place, const std::string& path) {
  return !place.folder.empty() && StaysInside(place.folder, path);
}

bool MakeFolderInside(const std::string& root, const std::string& folder) {
  // Checked before creating (a link on the way must not get folders made behind it) and after (the
  // folders that now exist are what counts).
  if (!StaysInside(root, folder)) return false;
  std::error_code error;
  fs::create_directories(folder, error);
  return fs::is_directory(folder, error) && StaysInside(root, folder);
}

bool IsServableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 1;
}

static std::string FindInProject(const std::string& root, const std::string& project_folder, const std::string& rel,
                                 bool (*wanted)(const std::string&)) {
  const auto usable = [&](const std::string& path) { return wanted(path) && StaysInside(root, path); };
  const std::string exact = project_folder + rel;
  if (usable(exact)) return exact;

  const size_t slash = rel.find('/');
  const std::string_view first = std::string_view(rel).substr(0, slash);
  const std::string after = slash == std::string::npos ? std::string() : rel.substr(slash);
  std::vector<std::string> candidates;
  std::error_code error;
  for (fs::directory_iterator it(project_folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::error_code ignored;
    if (name != first && EqualsNoCase(name, first) && it->is_directory(ignored)) candidates.push_back(name);
  }
  std::sort(candidates.begin(), candidates.end());
  for (const std::string& name : candidates)
    if (const std::string path = project_folder + name + after; usable(path)) return path;
  return {};
}

std::string FindProjectFile(const std::string& root, const std::string& project_folder, const std::string& rel) {
  return FindInProject(root, project_folder, rel, IsServableFile);
}

std::string FindProjectFolder(const std::string& root, const std::string& project_folder, const std::string& rel) {
  if (rel.empty()) return StaysInside(root, project_folder) && IsFolder(project_folder) ? project_folder : std::string();
  return FindInProject(root, project_folder, rel, IsFolder);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
