// The routes that store what the page uploads: the standalone program and its assets, project
// documents and project files, the preview page. Bodies are streamed into a temporary file beside
// the target as they arrive and renamed into place only once complete, so a refused, cut or failed
// upload leaves the previous file as it was and nothing half-written behind.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "project_paths.h"
#include "routes_handlers.h"
#include "shared_state.h"
#include "support.h"
#include "upload_files.h"
#include "url.h"
#include "rt/fs.h"

namespace {

namespace fs = std::filesystem;

// What an upload that did not arrive whole is answered. Its temporary file is gone by then, and so
// is anything earlier uploads into that folder left behind.
void ReplyUploadFailure(HttpExchange& exchange, BodyStatus status) {
  switch (status) {
    case BodyStatus::Complete:
      return;
    case BodyStatus::TooLarge:
      exchange.close_after_reply();
      exchange.reply(413, "The upload is larger than this route accepts.");
      return;
    case BodyStatus::TimedOut:
      exchange.reply(408, "The upload did not arrive in full in time; nothing was written.");
      return;
    case BodyStatus::Closed:
      exchange.reply(400, "The upload ended early; nothing was written.");
      return;
    case BodyStatus::Stopped:
      exchange.close_after_reply();
      exchange.reply(500, "The upload could not be written; nothing was changed.");
      return;
  }
}

// Streams the body into `file` while the server goes on with other connections; once it has arrived
// whole, `complete` commits it and replies. On anything short of a whole body the upload is removed
// and the failure answered here; nothing is committed then.
void ReceiveUpload(HttpExchange& exchange, std::unique_ptr<TemporaryFile> upload, uint64_t limit, int wait_ms,
                   std::function<void(HttpExchange&, TemporaryFile&)> complete) {
  std::shared_ptr<TemporaryFile> file = std::move(upload);
  exchange.read_body(
      limit, wait_ms, [file](std::string_view piece) { return file->write(piece); },
      [file, complete = std::move(complete)](HttpExchange& x, BodyStatus status) {
        if (status == BodyStatus::Complete) return complete(x, *file);
        // Gone before the reply: once the client reads it, nothing of the upload is left anywhere.
        file->discard();
        RemoveUploadLeftovers(file->folder());
        ReplyUploadFailure(x, status);
      });
}

// Refuses an upload whose declared length is over the limit before anything is created.
bool WithinLimit(HttpExchange& exchange, uint64_t limit) {
  if (exchange.request().content_length <= limit) return true;
  exchange.close_after_reply();
  exchange.reply(413, "The upload is larger than this route accepts.");
  return false;
}

std::string SizeText(const std::string& path) {
  const int64_t size = rt_fs_file_size(path);
  return size < 0 ? "-" + DecimalText(static_cast<uint64_t>(-size)) : DecimalText(static_cast<uint64_t>(size));
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Applied to save/ names before the markers are looked for: a separator that was encoded twice
// ("%252F" arrives as "%2F" once decoded) is a separator all the same.
std::string NameReplacement(std::string name) { return ReplaceAll(std::move(name), "%2F", "/"); }

// A name that holds one of these carries a folder step. The target built from the marker's position
// then begins with a separator right after the projects folder, which the checks below refuse.
constexpr std::string_view kSaveMarkers[] = {"/", "\\"};

size_t FindMarker(std::string_view name) {
  for (std::string_view marker : kSaveMarkers)
    if (const size_t at = name.find(marker); at != std::string_view::npos) return at;
  return std::string_view::npos;
}

std::string FilePart(std::string_view path) {
  const size_t at = path.find_last_of("/\\");
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

// Whether a running process of this user executes the file at `path` (the program being replaced
// is still open): its window would keep showing the old program while the new one is started.
bool IsRunningProgram(const std::string& path) {
  struct stat target {};
  if (::stat(path.c_str(), &target) != 0) return false;
  std::error_code error;
  for (fs::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
    const std::string pid = it->path().filename().string();
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    struct stat exe {};
    if (::stat((it->path() / "exe").c_str(), &exe) == 0 && exe.st_dev == target.st_dev && exe.st_ino == target.st_ino)
      return true;
  }
  return false;
}

void StartWrittenProgram(RouteContext& context, const std::string& program, const std::string& folder) {
  if (!(context.start_program && context.start_program(program, folder)))
    HostLog("saveexe: the written program could not be started: " + program);
}

}  // namespace

SaveExeQuery ParseSaveExeQuery(std::string_view query) {
  SaveExeQuery parsed;
  constexpr std::string_view kPath = "path=";
  if (query.starts_with(kPath)) {
    const size_t amp = query.find('&');
    parsed.path = UrlDecodePath(query.substr(kPath.size(), amp == std::string_view::npos ? query.npos : amp - kPath.size()));
    parsed.autorun = amp != std::string_view::npos && query.substr(amp + 1) == "autorun=1";
  } else {
    parsed.autorun = query == "autorun=1";
  }
  return parsed;
}

void HandleSaveExe(HttpExchange& exchange, RouteContext& context) {
  const SaveExeQuery query = ParseSaveExeQuery(exchange.request().query);
  if (!query.path.empty()) {
    if (!IsAcceptedAbsolutePath(query.path) || query.path.back() == '/') {
      exchange.reply(403, "The standalone program's path is not a usable absolute file path.");
      return;
    }
    context.state->set_standalone_save_path(query.path);
  }
  const std::string target = context.state->standalone_save_path();
  // A cancelled dialog leaves a value that is no path: the same as none.
  if (!IsAcceptedAbsolutePath(target) || target.back() == '/') {
    exchange.reply(400, "No path has been chosen for the standalone program.");
    return;
  }
  if (!WithinLimit(exchange, kStandaloneUploadLimit)) return;
  if (IsRunningProgram(target)) {
    exchange.reply(409, "locked");
    return;
  }

  const std::string folder = rt_path_dir_part(target);
  const auto cannot_write = [target](HttpExchange& x) {
    if (rt_fs_file_size(target) >= 0) x.reply(409, "locked");
    else x.reply(500, "The standalone program cannot be created at " + target + ".");
  };
  std::error_code error;
  if (!fs::is_directory(folder, error)) MakeDirectoryExternal(folder);
  auto file = std::make_unique<TemporaryFile>();
  if (fs::is_directory(target, error) || !file->open(target, 0755)) {
    RemoveUploadLeftovers(folder);
    return cannot_write(exchange);
  }
  ReceiveUpload(exchange, std::move(file), kStandaloneUploadLimit, context.standalone_body_wait_ms,
                [&context, target, folder, autorun = query.autorun, cannot_write](HttpExchange& x, TemporaryFile& written) {
                  if (!written.commit()) {
                    RemoveUploadLeftovers(folder);
                    return cannot_write(x);
                  }
                  context.standalone_output_folder = folder;
                  context.standalone_output_program = target;
                  x.reply(200, "ok");
                  if (autorun) StartWrittenProgram(context, target, folder);
                });
}

void HandleSaveAsset(HttpExchange& exchange, RouteContext& context) {
  const std::string rel =
      NormaliseSeparators(UrlDecodePath(std::string_view(exchange.request().target).substr(std::string_view("saveasset/").size())));
  const std::string folder = context.standalone_output_folder;
  if (folder.empty() || !IsSafeRelativePath(rel) || rel.back() == '/') {
    exchange.reply(403);
    return;
  }
  if (!WithinLimit(exchange, kStandaloneUploadLimit)) return;
  const std::string target = folder + rel;
  auto file = std::make_unique<TemporaryFile>();
  if (!MakeFolderInside(folder, rt_path_dir_part(target)) || !StaysInside(folder, target) || !file->open(target, 0644)) {
    exchange.reply(500, "The asset cannot be created at " + target + ".");
    return;
  }
  // The program's last file may carry its start, so that it never starts before its files are there.
  const bool autorun = exchange.request().query == "autorun=1";
  ReceiveUpload(exchange, std::move(file), kStandaloneUploadLimit, context.standalone_body_wait_ms,
                [&context, target, autorun](HttpExchange& x, TemporaryFile& written) {
                  if (!written.commit()) {
                    RemoveUploadLeftovers(written.folder());
                    return static_cast<void>(x.reply(500, "The asset cannot be written at " + target + "."));
                  }
                  x.reply(200, "ok");
                  if (autorun) StartWrittenProgram(context, context.standalone_output_program, context.standalone_output_folder);
                });
}

std::string SaveTarget(std::string_view rest, const ProjectsPlace& place) {
  const std::string& projects = place.folder;
  if (projects.empty() || projects.back() != '/') return {};
  std::string target;
  std::string project;  // the first segment below the projects folder that the target must have
  const size_t slash = rest.find('/');
  if (slash == std::string_view::npos) {
    // The project document.
    const std::string name = NameReplacement(UrlDecode(rest));
    if (const size_t at = FindMarker(name); at != std::string::npos)
      target = projects + name.substr(at) + "/" + FilePart(name) + ".qui";
    else
      target = place.document_of(name);
    project = name;
  } else {
    // A file of the project folder (also "<project>.fnjs/<node id>.js", the flow's code files).
    project = NameReplacement(UrlDecode(rest.substr(0, slash)));
    const std::string rel = NormaliseSeparators(UrlDecode(rest.substr(slash + 1)));
    if (!IsSafeRelativePath(rel) || rel.back() == '/') return {};
    const size_t at = FindMarker(project);
    target = projects + (at != std::string::npos ? project.substr(at) : project) + "/" + rel;
  }
  // Refused: a target that leaves the projects folder or whose project is no plain name.
  target = NormaliseSeparators(std::move(target));
  if (!target.starts_with(projects) || !IsSafeRelativePath(target.substr(projects.size()))) return {};
  return IsPlainName(project) ? target : std::string();
}

void HandleSave(HttpExchange& exchange, RouteContext& context) {
  const ProjectsPlace place = context.state->projects_place();
  const std::string target = SaveTarget(std::string_view(exchange.request().target).substr(std::string_view("save/").size()), place);
  const std::string folder = rt_path_dir_part(target);
  if (target.empty() || !ProjectPathInside(place, folder) || !ProjectPathInside(place, target)) {
    exchange.reply(403);
    return;
  }
  if (!WithinLimit(exchange, kProjectUploadLimit)) return;

  // A folder that a moment ago was busy (a sync tool, an indexer) may take a little time.
  auto file = std::make_unique<TemporaryFile>();
  bool opened = false;
  for (int attempt = 0; attempt < 10 && !opened; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(context.save_retry_pause_ms));
    opened = MakeFolderInside(place.folder, folder) && file->open(target, 0644);
  }
  // The page shows this text: the sizes of the folder and of the target (-1 missing, -2 a folder).
  std::string folder_without_slash = folder;
  while (folder_without_slash.size() > 1 && folder_without_slash.back() == '/') folder_without_slash.pop_back();
  const auto failure = [folder_without_slash, target] { return SizeText(folder_without_slash) + " | " + SizeText(target); };
  std::error_code error;
  if (!opened || fs::is_directory(target, error)) {
    file->discard();
    RemoveUploadLeftovers(folder);
    exchange.reply(500, failure());
    return;
  }
  ReceiveUpload(exchange, std::move(file), kProjectUploadLimit, context.project_body_wait_ms,
                [failure](HttpExchange& x, TemporaryFile& written) {
                  if (!written.commit()) {
                    RemoveUploadLeftovers(written.folder());
                    return static_cast<void>(x.reply(500, failure()));
                  }
                  x.reply(200, "saved");
                });
}

void HandlePreview(HttpExchange& exchange, RouteContext& context) {
  if (!WithinLimit(exchange, kPreviewUploadLimit)) return;
  std::string folder = context.temp_dir;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  auto file = std::make_unique<TemporaryFile>();
  if (folder.empty() || !file->open(folder + kPreviewFileName, 0644)) {
    RemoveUploadLeftovers(folder);
    exchange.reply(500);
    return;
  }
  ReceiveUpload(exchange, std::move(file), kPreviewUploadLimit, context.project_body_wait_ms,
                [](HttpExchange& x, TemporaryFile& written) {
                  if (!written.commit()) {
                    RemoveUploadLeftovers(written.folder());
                    return static_cast<void>(x.reply(500));
                  }
                  x.reply(200, "ok");
                });
}
