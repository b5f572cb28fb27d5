#include "loader_server.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "access.h"
#include "mime.h"
#include "project_paths.h"
#include "url.h"

namespace {

constexpr std::string_view kTempPrefix = "tmp/";
constexpr std::string_view kPageName = "app.html";

std::string_view LastSegment(std::string_view target) {
  const size_t slash = target.rfind('/');
  return slash == std::string_view::npos ? target : target.substr(slash + 1);
}

void Log(const LoaderServerContext& context, const std::string& line) {
  if (context.log) context.log(line);
}

const std::string_view* FindResource(const LoaderResourceTable& table, const std::string& target,
                                     const std::string& decoded) {
  if (target.empty()) return table.find(kPageName);
  for (const std::string_view name : {std::string_view(target), LastSegment(target), std::string_view(decoded),
                                      LastSegment(decoded)}) {
    if (name.empty()) continue;
    if (const std::string_view* bytes = table.find(name)) return bytes;
  }
  return nullptr;
}

// The file on disk that a decoded target names, or "" when it is refused or missing: no ':' (no
// drive or scheme), no "..", no absolute path, no link leading out of the folder.
std::string DiskPath(const std::string& decoded, const LoaderServerContext& context) {
  if (decoded.find(':') != std::string::npos || !IsSafeRelativePath(decoded)) return {};
  std::string folder = context.program_dir;
  std::string rest = decoded;
  if (decoded.starts_with(kTempPrefix)) {
    folder = context.temp_dir;
    rest = decoded.substr(kTempPrefix.size());
    if (rest.empty()) return {};
  }
  const std::string path = folder + rest;
  return IsServableFile(path) && StaysInside(folder, path) ? path : std::string();
}

HttpReplyHead ContentHead(const HttpByteSpan& span, uint64_t size, std::string_view type, bool media) {
  HttpReplyHead head(span.status, span.length);
  head.add("Content-Type", type);
  if (span.status == 206) head.add("Content-Range", ContentRangeText(span, size));
  if (media) head.add("Accept-Ranges", "bytes");
  head.add("Cache-Control", "no-cache");
  return head;
}

bool RangeNotSatisfiable(HttpExchange& exchange, const HttpByteSpan& span, uint64_t size) {
  if (span.status != 416) return false;
  HttpReplyHead head(416, 0);
  head.add("Content-Range", "bytes */" + DecimalText(size));
  head.add("Cache-Control", "no-cache");
  exchange.send_head(head);
  return true;
}

}  // namespace

void ServeLoaderRequest(HttpExchange& exchange, const LoaderServerContext& context) {
  const HttpRequest& request = exchange.request();
  Log(context, "HTTP " + request.method + " " + request.target);
  if (request.method != "GET" && request.method != "HEAD") {
    exchange.reply(405);
    return;
  }
  // Only this server's own origin: no other web page, directly or through a rebound host name.
  if (const int refusal = CheckRequestSource(request, context.port)) {
    exchange.reply(refusal);
    return;
  }
  const std::string decoded = UrlDecodePath(request.target);
  const std::string_view name = request.target.empty() ? kPageName : LastSegment(decoded);
  const std::string_view type = HostMimeType(name);
  const bool media = HostIsMediaFile(name);

  if (context.resources) {
    if (const std::string_view* bytes = FindResource(*context.resources, request.target, decoded)) {
      if (bytes->empty()) {
        exchange.reply(404);
        return;
      }
      const HttpByteSpan span = ResolveByteRange(request.range, bytes->size(), media);
      if (RangeNotSatisfiable(exchange, span, bytes->size())) return;
      Log(context, "serve " + std::to_string(span.status) + " " + request.target + " size=" +
                       std::to_string(bytes->size()) + " ct=" + std::string(type));
      if (exchange.send_head(ContentHead(span, bytes->size(), type, media)))
        exchange.send_body(bytes->substr(span.offset, span.length));
      return;
    }
  }

  const std::string path = DiskPath(decoded, context);
  if (path.empty()) {
    exchange.reply(404);
    return;
  }
  // O_NONBLOCK: should the name have become a pipe since the check, opening must not hang the server.
  FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  Log(context, "serve (disk) " + path);
  struct stat info {};
  if (!file || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 1) {
    exchange.reply(404);
    return;
  }
  const auto size = static_cast<uint64_t>(info.st_size);
  const HttpByteSpan span = ResolveByteRange(request.range, size, media);
  if (RangeNotSatisfiable(exchange, span, size)) return;
  if (exchange.send_head(ContentHead(span, size, type, media))) exchange.send_file(std::move(file), span.offset, span.length);
}

LoaderHttpServer::LoaderHttpServer(std::unique_ptr<RtServer> listener, LoaderServerContext context, HttpLimits limits)
    : context_(std::make_unique<LoaderServerContext>(std::move(context))),
      server_((context_->port = listener->port(), std::move(listener)), [ctx = context_.get()](HttpExchange& exchange) { ServeLoaderRequest(exchange, *ctx); },
              limits, "LoaderHttp") {}
