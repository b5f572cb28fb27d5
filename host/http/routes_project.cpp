// The routes that ask about projects (existence tests, thumbnail, folder listing) and the one that
// renames a project. Names are checked like every other name from a request, and every path that
// touches a project passes the one containment rule (ProjectPathInside): links inside the projects
// folder that lead out of it are neither followed, nor reported, nor moved through.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "file_branch.h"
#include "project_paths.h"
#include "routes_handlers.h"
#include "shared_state.h"
#include "upload_files.h"
#include "url.h"
#include "rt/fs.h"

namespace {

namespace fs = std::filesystem;

// The route argument after `prefix`, decoded.
std::string Argument(const HttpExchange& exchange, std::string_view prefix) {
  return UrlDecode(std::string_view(exchange.request().target).substr(prefix.size()));
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;  // a dangling link is in the way too
}

// Moves unless something is already at `to`, in one step where the file system allows it.
bool MoveNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  return !Exists(to) && ::rename(from.c_str(), to.c_str()) == 0;
}

// A file of the project inside the projects folder: "true", else the negative answer.
void AnswerExists(HttpExchange& exchange, const ProjectsPlace& place, const std::string& path, int negative_status) {
  if (IsServableFile(path) && ProjectPathInside(place, path)) exchange.reply(200, "true");
  else exchange.reply(negative_status, "false");
}

std::string SizeText(const std::string& path) {
  const int64_t size = rt_fs_file_size(path);
  return size < 0 ? "-" + DecimalText(static_cast<uint64_t>(-size)) : DecimalText(static_cast<uint64_t>(size));
}

}  // namespace

void HandleRename(HttpExchange& exchange, RouteContext& context) {
  const std::string_view rest = std::string_view(exchange.request().target).substr(std::string_view("rename/").size());
  const size_t slash = rest.find('/');
  const std::string old_name = slash == std::string_view::npos ? std::string() : UrlDecode(rest.substr(0, slash));
  const std::string new_name = slash == std::string_view::npos ? std::string() : UrlDecode(rest.substr(slash + 1));
  const ProjectsPlace place = context.state->projects_place();
  const std::string names = "\"" + old_name + "\" cannot be renamed to \"" + new_name + "\"";
  if (old_name.empty() || new_name.empty()) {
    exchange.reply(400, "The project " + names + ": a name is empty.");
    return;
  }
  if (!IsPlainName(old_name) || !IsPlainName(new_name) || place.folder.empty()) {
    exchange.reply(403, "The project " + names + ": a name holds characters that are not allowed.");
    return;
  }
  const std::string old_folder = place.folder + old_name;
  const std::string new_folder = place.folder + new_name;
  const auto fail = [&] {
    exchange.reply(409, "The project " + names + " (" + SizeText(old_folder) + ", " + SizeText(new_folder) + ").");
  };
  if (old_name == new_name) return fail();
  // A project whose folder or document leads out of the projects folder is not ours to move: the
  // document would be renamed wherever the link points.
  const std::string old_document = place.document_of(old_name);
  if ((Exists(old_folder) && !ProjectPathInside(place, old_folder)) ||
      (Exists(old_document) && !ProjectPathInside(place, old_document))) {
    exchange.reply(403, "The project " + names + ": it lies outside the projects folder.");
    return;
  }

  if (place.default_layout) {
    // The document lives in the folder: move the folder, then rename the document inside it.
    const std::string inner_old = "/" + old_name + ".qui";
    const std::string inner_new = "/" + new_name + ".qui";
    const bool has_document = Exists(old_folder + inner_old);
    if (!IsFolder(old_folder) || Exists(new_folder) || (has_document && Exists(old_folder + inner_new))) return fail();
    if (!MoveNoReplace(old_folder, new_folder)) return fail();
    if (has_document && !MoveNoReplace(new_folder + inner_old, new_folder + inner_new)) {
      ::rename(new_folder.c_str(), old_folder.c_str());
      return fail();
    }
  } else {
    // The document lives beside the folder: both move, or neither.
    const std::string new_document = new_folder + ".qui";
    const bool has_folder = IsFolder(old_folder);
    if (!IsServableFile(old_document) || Exists(new_document) || (has_folder && Exists(new_folder))) return fail();
    if (!MoveNoReplace(old_document, new_document)) return fail();
    if (has_folder && !MoveNoReplace(old_folder, new_folder)) {
      ::rename(new_document.c_str(), old_document.c_str());
      return fail();
    }
  }
  exchange.reply(200, "renamed");
}

void HandleProjectExists(HttpExchange& exchange, RouteContext& context) {
  const std::string name = Argument(exchange, "pexists/");
  const ProjectsPlace place = context.state->projects_place();
  if (!IsPlainName(name)) return static_cast<void>(exchange.reply(404, "false"));
  AnswerExists(exchange, place, place.document_of(name), 404);
}

void HandleBaseProgramExists(HttpExchange& exchange, RouteContext& context) {
  const std::string name = Argument(exchange, "pbexists/");
  const ProjectsPlace place = context.state->projects_place();
  if (!IsPlainName(name)) return static_cast<void>(exchange.reply(404, "false"));
  AnswerExists(exchange, place, place.folder_of(name) + name + ".pb", 404);
}

void HandleFileExists(HttpExchange& exchange, RouteContext& context) {
  const std::string argument = Argument(exchange, "fileexists/");
  const size_t slash = argument.find('/');
  const std::string project = argument.substr(0, slash);
  const std::string rel = slash == std::string::npos ? std::string() : NormaliseSeparators(argument.substr(slash + 1));
  const ProjectsPlace place = context.state->projects_place();
  const bool found = IsPlainName(project) && IsSafeRelativePath(rel) && !place.folder.empty() &&
                     !FindProjectFile(place.folder, place.folder_of(project), rel).empty();
  exchange.reply(200, found ? "true" : "false");
}

void HandleThumbnail(HttpExchange& exchange, RouteContext& context) {
  const std::string name = Argument(exchange, "thumb/");
  const ProjectsPlace place = context.state->projects_place();
  const std::string path = IsPlainName(name) ? place.thumbnail_of(name) : std::string();
  if (path.empty() || !ProjectPathInside(place, path)) return static_cast<void>(exchange.reply(404));
  ServeWholeFile(exchange, path, "image/png");
}

void HandleListFolder(HttpExchange& exchange, RouteContext& context) {
  const std::string dir = NormaliseSeparators(
      UrlDecodePath(std::string_view(exchange.request().target).substr(std::string_view("listdir/").size())));
  if (!dir.empty() && !IsSafeRelativePath(dir)) {
    exchange.reply(403, "The folder name is not allowed.");
    return;
  }
  const std::string project = context.state->current_project();
  const ProjectsPlace place = context.state->projects_place();
  if (!IsPlainName(project) || place.folder.empty()) {
    exchange.reply(404, "No project is open.");
    return;
  }
  std::string folder = FindProjectFolder(place.folder, place.folder_of(project), dir);
  if (folder.empty()) {
    exchange.reply(404, "The folder does not exist in the open project.");
    return;
  }
  if (folder.back() != '/') folder += '/';
  nlohmann::json names = nlohmann::json::array();
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error) {
    exchange.reply(500, "The folder cannot be listed.");
    return;
  }
  for (fs::directory_iterator end; !error && it != end; it.increment(error)) {
    std::error_code ignored;
    std::string name = it->path().filename().string();
    // An upload still being written, or one a crash left, is no file of the project.
    if (it->symlink_status(ignored).type() == fs::file_type::regular && !IsUploadTemporaryName(name))
      names.push_back(std::move(name));
  }
  // Names are bytes on Linux: any that are not UTF-8 keep their valid parts rather than break the reply.
  exchange.reply(200, names.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                 "application/json; charset=utf-8");
}
