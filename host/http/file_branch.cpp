// The file branch of the local HTTP server.
#include "file_branch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "mime.h"
#include "project_paths.h"
#include "upload_files.h"
#include "url.h"

namespace {

constexpr std::string_view kTempPrefix = "tmp/";
// Program sub-folders whose files only change with a new version.
constexpr std::string_view kVersionedFolders[] = {"Internal_lib/", "Libraries/", "Fonts/"};

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// A file inside `folder` once links are followed, or "".
std::string FileInside(const std::string& folder, const std::string& path) {
  return IsServableFile(path) && StaysInside(folder, path) ? path : std::string();
}

// An upload still being written, or one a crash left, is never served.
bool IsUploadLeftover(const std::string& target) {
  const size_t slash = target.rfind('/');
  return IsUploadTemporaryName(slash == std::string::npos ? target : target.substr(slash + 1));
}

// The file the decoded target names on disk, or "" when none qualifies. Targets have been checked,
// so plain concatenation cannot leave the folder it is joined to; links are followed and must stay
// inside it too.
std::string FindOnDisk(const std::string& target, const RouteContext& context) {
  if (IsUploadLeftover(target)) return {};
  if (target.starts_with(kTempPrefix)) {
    const std::string folder = WithSlash(context.temp_dir);
    return FileInside(folder, folder + target.substr(kTempPrefix.size()));
  }
  const std::string program = WithSlash(context.program_dir);
  if (std::string path = FileInside(program, program + target); !path.empty()) return path;

  const std::string project = context.state->current_project();
  const ProjectsPlace place = context.state->projects_place();
  if (!IsPlainName(project) || place.folder.empty()) return {};
  return FindProjectFile(place.folder, place.folder_of(project), target);
}

// The file was found in one of the program's versioned folders (not in a project that happens to
// hold a folder of the same name).
bool IsVersionedProgramFile(const std::string& target, const std::string& path, const RouteContext& context) {
  const std::string program = WithSlash(context.program_dir);
  for (std::string_view folder : kVersionedFolders) {
    if (target.starts_with(folder) && path == program + target) return true;
  }
  return false;
}

// Applies a Range to a file of `size` bytes (size >= 1). Ranges are honoured for media files only.
void ApplyRange(const HttpRange& range, FileBranchReply& reply) {
  const HttpByteSpan span = ResolveByteRange(range, reply.size, reply.media);
  reply.status = span.status;
  reply.offset = span.offset;
  reply.length = span.length;
}

HttpReplyHead ContentHead(const FileBranchReply& reply) {
  HttpReplyHead head(reply.status, reply.length);
  head.add("Content-Type", reply.content_type);
  if (reply.status == 206) {
    head.add("Content-Range", ContentRangeText({reply.status, reply.offset, reply.length}, reply.size));
  }
  if (reply.media) head.add("Accept-Ranges", "bytes");
  head.add("Cache-Control", reply.cacheable ? kLibraryCacheControl : std::string_view("no-store"));
  head.add("X-Content-Type-Options", "nosniff");
  return head;
}

}  // namespace

FileBranchReply ResolveFileBranch(const HttpRequest& request, const RouteContext& context) {
  FileBranchReply reply;
  const std::string target = UrlDecodePath(request.target);
  const size_t slash = target.rfind('/');
  const std::string last_segment = slash == std::string::npos ? target : target.substr(slash + 1);
  reply.content_type = HostMimeType(last_segment);
  reply.media = HostIsMediaFile(last_segment);

  // The packed page: by the whole target (the start page is the empty target), then by the last
  // segment. An empty last segment names a folder, never the start page.
  if (context.find_page) {
    const EmbeddedFile* page = context.find_page(target);
    if (!page && !last_segment.empty() && last_segment != target) page = context.find_page(last_segment);
    if (page) {
      if (page->bytes.empty()) return reply;  // 404, as an empty file on disk
      // The start page is entered under the empty key, which has no extension to go by.
      if (page->key.empty()) reply.content_type = HostMimeType("index.html");
      reply.memory = page->bytes;
      reply.size = page->bytes.size();
      ApplyRange(request.range, reply);
      return reply;
    }
  }

  if (!IsSafeRelativePath(target)) return reply;
  reply.path = FindOnDisk(target, context);
  if (reply.path.empty()) return reply;

  // O_NONBLOCK: should the name have become a pipe since the probe, opening must not hang the server.
  FileHandle file(::open(reply.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file) {
    reply.status = 500;
    return reply;
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 1) return reply;
  reply.file = std::move(file);
  reply.size = static_cast<uint64_t>(info.st_size);
  reply.cacheable = IsVersionedProgramFile(target, reply.path, context);
  ApplyRange(request.range, reply);
  return reply;
}

void ServeFileBranch(HttpExchange& exchange, const RouteContext& context) {
  FileBranchReply reply = ResolveFileBranch(exchange.request(), context);
  switch (reply.status) {
    case 200:
    case 206:
      break;
    case 416: {
      HttpReplyHead head(416, 0);
      head.add("Content-Range", "bytes */" + DecimalText(reply.size));
      head.add("Cache-Control", "no-store");
      exchange.send_head(head);
      return;
    }
    default:
      exchange.reply(reply.status);
      return;
  }

  if (!exchange.send_head(ContentHead(reply))) return;
  if (reply.file) exchange.send_file(std::move(reply.file), reply.offset, reply.length);
  else exchange.send_body(reply.memory.substr(reply.offset, reply.length));
}

void ServeWholeFile(HttpExchange& exchange, const std::string& path, std::string_view content_type) {
  FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file) {
    exchange.reply(errno == ENOENT || errno == ENOTDIR ? 404 : 500);
    return;
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 1) {
    exchange.reply(404);
    return;
  }
  FileBranchReply reply;
  reply.status = 200;
  reply.content_type = content_type;
  reply.size = reply.length = static_cast<uint64_t>(info.st_size);
  if (exchange.send_head(ContentHead(reply))) exchange.send_file(std::move(file), 0, reply.length);
}
