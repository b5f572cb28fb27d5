// The routes that store what the page uploads: the standalone program and its assets, project
// documents and project files, the preview page. Bodies are streamed into a temporary file beside
// the target and renamed into place only once complete, so a refused, cut or failed upload leaves
// the previous file as it was and nothing half-written behind.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "http_server.h"
#include "routes_handlers.h"
#include "routes_paths.h"
#include "shared_state.h"
#include "support.h"
#include "url.h"
#include "rt/fs.h"

namespace {

namespace fs = std::filesystem;

// A hidden temporary file in the target's folder (so the rename never crosses file systems), with the
// suffix by which leftovers are recognised and cleaned.
class TemporaryFile {
public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() { discard(); }

  bool open(const std::string& target, mode_t mode) {
    discard();
    target_ = target;
    // A short fixed stem: a long target name plus a suffix could pass the file-name length limit.
    path_ = rt_path_dir_part(target) + ".ql-upload-XXXXXX" + kTemporaryFileSuffix;
    fd_ = ::mkostemps(path_.data(), static_cast<int>(std::char_traits<char>::length(kTemporaryFileSuffix)), O_CLOEXEC);
    if (fd_ < 0) return false;
    // fchmod is not narrowed by the umask: a program is written executable whatever it is.
    if (::fchmod(fd_, mode) != 0) {
      discard();
      return false;
    }
    return true;
  }

  bool write(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }

  // Makes the written bytes the target's content.
  bool commit() {
    const bool synced = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed || ::rename(path_.c_str(), target_.c_str()) != 0) {
      discard();
      return false;
    }
    path_.clear();
    return true;
  }

  // Removes the temporary file (also done when the object ends).
  void discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!path_.empty()) ::unlink(path_.c_str());
    path_.clear();
  }

private:
  int fd_ = -1;
  std::string path_;
  std::string target_;
};

// Reads the whole body into `file`. On anything short of a complete body the reply is sent here and
// false returned; nothing is committed then.
bool ReceiveInto(HttpExchange& exchange, TemporaryFile& file, uint64_t limit, int wait_ms) {
  const BodyStatus status =
      exchange.read_body(limit, wait_ms, [&file](std::string_view piece) { return file.write(piece); });
  if (status == BodyStatus::Complete) return true;
  // Gone before the reply: once the client reads it, nothing of the upload is left anywhere.
  file.discard();
  switch (status) {
    case BodyStatus::Complete:
      return true;
    case BodyStatus::TooLarge:
      exchange.close_after_reply();
      exchange.reply(413, "The upload is larger than this route accepts.");
      return false;
    case BodyStatus::TimedOut:
      exchange.reply(408, "The upload did not arrive in full in time; nothing was written.");
      return false;
    case BodyStatus::Closed:
      exchange.reply(400, "The upload ended early; nothing was written.");
      return false;
    case BodyStatus::Stopped:
      exchange.close_after_reply();
      exchange.reply(500, "The upload could not be written; nothing was changed.");
      return false;
  }
  return false;
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
    HostState().set_standalone_save_path(query.path);
  }
  const std::string target = HostState().standalone_save_path();
  // A cancelled dialog leaves a value that is no path: the same as none.
  if (!IsAcceptedAbsolutePath(target) || target.back() == '/') {
    exchange.reply(400, "No path has been chosen for the standalone program.");
    return;
  }
  if (!WithinLimit(exchange, kStandaloneUploadLimit)) return;

  const std::string folder = rt_path_dir_part(target);
  std::error_code error;
  if (!fs::is_directory(folder, error)) MakeDirectoryExternal(folder);
  TemporaryFile file;
  if (fs::is_directory(target, error) || !file.open(target, 0755)) {
    if (rt_fs_file_size(target) >= 0) exchange.reply(409, "locked");
    else exchange.reply(500, "The standalone program cannot be created at " + target + ".");
    return;
  }
  if (!ReceiveInto(exchange, file, kStandaloneUploadLimit, kStandaloneBodyWaitMs)) return;
  if (!file.commit()) {
    if (rt_fs_file_size(target) >= 0) exchange.reply(409, "locked");
    else exchange.reply(500, "The standalone program cannot be created at " + target + ".");
    return;
  }
  context.standalone_output_folder = folder;
  exchange.reply(200, "ok");
  if (query.autorun && !(context.start_program && context.start_program(target, folder)))
    HostLog("saveexe: the written program could not be started: " + target);
}

void HandleSaveAsset(HttpExchange& exchange, RouteContext& context) {
  const std::string rel =
      NormaliseSeparators(UrlDecodePath(std::string_view(exchange.request().target).substr(std::string_view("saveasset/").size())));
  const std::string& folder = context.standalone_output_folder;
  if (folder.empty() || !IsSafeRelativePath(rel) || rel.back() == '/') {
    exchange.reply(403);
    return;
  }
  if (!WithinLimit(exchange, kStandaloneUploadLimit)) return;
  const std::string target = folder + rel;
  TemporaryFile file;
  if (!MakeFolderInside(folder, rt_path_dir_part(target)) || !StaysInside(folder, target) || !file.open(target, 0644)) {
    exchange.reply(500, "The asset cannot be created at " + target + ".");
    return;
  }
  if (!ReceiveInto(exchange, file, kStandaloneUploadLimit, kStandaloneBodyWaitMs)) return;
  if (!file.commit()) {
    exchange.reply(500, "The asset cannot be written at " + target + ".");
    return;
  }
  exchange.reply(200, "ok");
}

std::string SaveTarget(std::string_view rest, const std::string& projects, bool default_layout) {
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
      target = default_layout ? projects + name + "/" + name + ".qui" : projects + name + ".qui";
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
  return IsAcceptedProjectName(project) ? target : std::string();
}

void HandleSave(HttpExchange& exchange, RouteContext& context) {
  const std::string projects = context.host.projects_folder ? context.host.projects_folder() : std::string();
  const std::string target = SaveTarget(std::string_view(exchange.request().target).substr(std::string_view("save/").size()),
                                        projects, IsDefaultProjectsFolder());
  const std::string folder = rt_path_dir_part(target);
  if (target.empty() || !StaysInside(projects, folder) || !StaysInside(projects, target)) {
    exchange.reply(403);
    return;
  }
  if (!WithinLimit(exchange, kProjectUploadLimit)) return;

  // A folder that a moment ago was busy (a sync tool, an indexer) may take a little time.
  TemporaryFile file;
  bool opened = false;
  for (int attempt = 0; attempt < 10 && !opened; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(context.save_retry_pause_ms));
    opened = MakeFolderInside(projects, folder) && file.open(target, 0644);
  }
  // The page shows this text: the sizes of the folder and of the target (-1 missing, -2 a folder).
  std::string folder_without_slash = folder;
  while (folder_without_slash.size() > 1 && folder_without_slash.back() == '/') folder_without_slash.pop_back();
  const std::string failure = SizeText(folder_without_slash) + " | " + SizeText(target);
  std::error_code error;
  if (!opened || fs::is_directory(target, error)) {
    exchange.reply(500, failure);
    return;
  }
  if (!ReceiveInto(exchange, file, kProjectUploadLimit, kProjectBodyWaitMs)) return;
  if (!file.commit()) {
    exchange.reply(500, SizeText(folder_without_slash) + " | " + SizeText(target));
    return;
  }
  exchange.reply(200, "saved");
}

void HandlePreview(HttpExchange& exchange, RouteContext& context) {
  if (!WithinLimit(exchange, kPreviewUploadLimit)) return;
  std::string folder = context.host.temp_dir;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  TemporaryFile file;
  if (folder.empty() || !file.open(folder + kPreviewFileName, 0644)) {
    exchange.reply(500);
    return;
  }
  if (!ReceiveInto(exchange, file, kPreviewUploadLimit, kProjectBodyWaitMs)) return;
  if (!file.commit()) {
    exchange.reply(500);
    return;
  }
  exchange.reply(200, "ok");
}
