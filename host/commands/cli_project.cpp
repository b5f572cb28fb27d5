#include "cli_project.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <nlohmann/json.hpp>

#include "project_files.h"
#include "script.h"
#include "project_paths.h"
#include "shared_state.h"
#include "support.h"
#include "rt/fs.h"
#include "rt/text.h"

namespace {

std::string FreeProjectName(const std::string& base) {
  for (int n = 2;; ++n) {
    std::string candidate = base + " (" + std::to_string(n) + ")";
    if (rt_fs_file_size(ProjectDocumentPath(candidate)) == -1 && rt_fs_file_size(ProjectFolderPath(candidate)) == -1)
      return candidate;
  }
}

}  // namespace

std::optional<CliProject> ReadCommandLineProject(const std::string& argument, std::string* error) {
  const std::string path = rt_string_trim(argument);
  if (path.empty() || rt_string_lower(rt_path_extension(path)) != "qui") return std::nullopt;
  const std::string file = rt_path_file_part(path);
  CliProject project{path, file.substr(0, file.size() - 4), {}};
  const auto fail = [&](const std::string& why) -> std::optional<CliProject> {
    if (error) *error = why;
    HostLog("command-line project refused: " + path + ": " + why);
    return std::nullopt;
  };
  if (!IsPlainName(project.name)) return fail("the file name cannot name a project");
  // Only a regular file is read, and only up to the size a document may have: a pipe would hold the
  // start for ever and a device would never end. O_NONBLOCK keeps even the open from waiting.
  FileHandle input(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  struct stat info {};
  if (!input || ::fstat(input.get(), &info) != 0) return fail("the file cannot be read");
  if (!S_ISREG(info.st_mode)) return fail("it is not a regular file");
  if (static_cast<uint64_t>(info.st_size) > kProjectDocumentLimit) return fail("the file is too large for a project document");
  std::string& document = project.document;
  document.resize(static_cast<size_t>(info.st_size));
  size_t got = 0;
  char probe;
  for (;;) {
    char* into = got < document.size() ? document.data() + got : &probe;
    const size_t want = got < document.size() ? document.size() - got : 1;
    const ssize_t n = ::read(input.get(), into, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail("the file cannot be read");
    if (n == 0) break;
    if (got >= document.size()) return fail("the file changed while it was read");  // it grew
    got += static_cast<size_t>(n);
  }
  document.resize(got);
  // The page takes a document only as a JSON object; anything else is refused before it is copied.
  if (!nlohmann::json::parse(document, nullptr, false).is_object()) return fail("the file is not a project document");
  return project;
}

std::string CliProjectScript(const std::string& name, const std::string& document) {
  return "window._cliProjectJson = JSON.parse(" + JsString(document) + ");\n"
         "window._cliProjectName = " + JsString(name) + ";\n" +
         JsCallIfDefined("_loadProjectFromCLI", {});
}

std::string DeliverCommandLineProject(const CliProject& project, HostUi& ui) {
  std::string name = project.name;
  std::string existing;
  if (rt_file_read_all(ProjectDocumentPath(name), existing) && existing != project.document) {
    const bool replace = ui.ask_yes_no(
        "Open project", "A project named \"" + name + "\" already exists in the projects folder.\n\n"
                        "Replace it with the opened file?\n(No keeps it and opens the file under a new name.)");
    if (!replace) name = FreeProjectName(name);
  }
  const std::string folder = ProjectFolderPath(name);
  const bool ok = MakeProjectFolder(folder) && rt_file_write_atomic(ProjectDocumentPath(name), project.document);
  if (!ok) {
    HostLog("command-line project not copied: " + ProjectDocumentPath(name));
    ui.message("Open project", "The project \"" + name + "\" could not be copied into the projects folder:\n" +
                                   ProjectsFolder());
    return {};
  }
  SetCurrentProject(name);
  ui.eval_script(0, CliProjectScript(name, project.document));
  return name;
}
