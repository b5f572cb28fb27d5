// Where the host keeps its files, following the XDG base-folder conventions. Every result is an
// absolute path: the host runs with the program folder as its current folder, so a relative result
// would silently put user files beside the program.
#include "paths.h"

#include <pwd.h>
#include <unistd.h>
#include <vector>

#include "rt/fs.h"

namespace {

// $HOME, else the account's home folder from the password database.
std::string HomeFolder() {
  std::string home = rt_env_get("HOME");
  if (!home.empty() && home[0] == '/') return WithTrailingSlash(home);
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/') {
    return WithTrailingSlash(found->pw_dir);
  }
  // No home at all: the private temporary folder is still absolute and ours.
  return rt_fs_temp_dir();
}

// An XDG base folder: the variable when it holds an absolute path (the convention says to ignore
// relative ones), else the fallback below the home folder.
std::string BaseFolder(const char* variable, const char* below_home) {
  const std::string value = rt_env_get(variable);
  if (!value.empty() && value[0] == '/') return WithTrailingSlash(value);
  return HomeFolder() + below_home;
}

// The XDG_DOCUMENTS_DIR line of user-dirs.dirs: a shell assignment whose value is either
// "$HOME/..." or an absolute path, with backslash escapes. "" when absent, disabled or unusable.
std::string DocumentsFolderFromUserDirs() {
  std::string text;
  if (!rt_file_read_all(BaseFolder("XDG_CONFIG_HOME", ".config/") + "user-dirs.dirs", text)) return {};
  const std::string home = HomeFolder();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=\"";
    if (line.substr(0, kKey.size()) != kKey) continue;
    line.remove_prefix(kKey.size());
    std::string value;
    bool closed = false;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        value += line[++i];
      } else if (line[i] == '"') {
        closed = true;
        break;
      } else {
        value += line[i];
      }
    }
    if (!closed) return {};
    if (value.rfind("$HOME", 0) == 0) {
      value = home.substr(0, home.size() - 1) + value.substr(5);   // home ends with '/'
    } else if (value.empty() || value[0] != '/') {
      return {};
    }
    // The folder equal to the home folder means "no documents folder" by the same convention.
    if (WithTrailingSlash(value) == home) return {};
    return WithTrailingSlash(value);
  }
  return {};
}

}  // namespace

std::string WithTrailingSlash(std::string folder) {
  // An empty folder stays empty: turning it into "/" would make the root folder a target.
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string HostConfigDir() { return BaseFolder("XDG_CONFIG_HOME", ".config/") + "quorlin/"; }

std::string HostSettingsPath() { return HostConfigDir() + "settings.txt"; }

std::string HostDataDir() { return BaseFolder("XDG_DATA_HOME", ".local/share/") + "quorlin/"; }

std::string DefaultProjectsFolder() {
  std::string documents = DocumentsFolderFromUserDirs();
  if (documents.empty()) documents = HomeFolder() + "Documents/";
  return documents + "Quorlin/";
}

std::vector<std::string> AbsolutePathFolders(const std::string& path_variable) {
  std::vector<std::string> folders;
  size_t start = 0;
  while (start <= path_variable.size()) {
    size_t end = path_variable.find(':', start);
    if (end == std::string::npos) end = path_variable.size();
    const std::string folder = path_variable.substr(start, end - start);
    start = end + 1;
    if (folder.starts_with('/')) folders.push_back(WithTrailingSlash(folder));
  }
  return folders;
}
