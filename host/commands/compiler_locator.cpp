#include "compiler_locator.h"

#include <climits>
#include <cstdlib>

#include "paths.h"
#include "rt/fs.h"

namespace {

bool HoldsCompiler(const std::string& folder) {
  return folder.starts_with('/') && rt_fs_file_size(WithTrailingSlash(folder) + kCompilerProgram) > 0;
}

// The installation folder of the compiler program found on PATH: the program sits one folder below it.
std::string FolderAboveProgramOnPath(const std::string& path_variable) {
  const std::string program = rt_path_file_part(kCompilerProgram);
  for (const std::string& folder : AbsolutePathFolders(path_variable)) {
    const std::string candidate = folder + program;
    if (rt_fs_file_size(candidate) <= 0) continue;
    char resolved[PATH_MAX];
    if (!realpath(candidate.c_str(), resolved)) continue;
    std::string above = rt_path_dir_part(resolved);             // ".../Compilers/"
    above = rt_path_dir_part(above.substr(0, above.size() - 1));  // "..."
    if (!above.empty()) return above;
  }
  return {};
}

}  // namespace

CompilerSearch DefaultCompilerSearch() {
  CompilerSearch search;
  search.home_variable = rt_env_get("QUORLIN_COMPILER_HOME");
  search.path_variable = rt_env_get("PATH");
  const std::string home = rt_env_get("HOME");
  if (home.starts_with('/')) search.fixed_folders.push_back(WithTrailingSlash(home) + "purebasic/");
  search.fixed_folders.push_back("/opt/purebasic/");
  search.fixed_folders.push_back("/usr/local/purebasic/");
  return search;
}

std::string LocateCompilerHome(const CompilerSearch& search) {
  std::vector<std::string> candidates;
  candidates.push_back(search.home_variable);
  candidates.push_back(FolderAboveProgramOnPath(search.path_variable));
  candidates.insert(candidates.end(), search.fixed_folders.begin(), search.fixed_folders.end());
  for (const std::string& folder : candidates)
    if (HoldsCompiler(folder)) return WithTrailingSlash(folder);
  return {};
}

std::string LocateCompilerHome() { return LocateCompilerHome(DefaultCompilerSearch()); }
