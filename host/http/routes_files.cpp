// The routes that serve one file by name: the loader template (plain or with the user's icon) and
// any absolute path that an exported page refers to.
#include <string>

#include "file_branch.h"
#include "loader_icon.h"
#include "mime.h"
#include "routes_handlers.h"
#include "project_paths.h"
#include "url.h"

namespace {

struct IconPatchError {
  int status;
  const char* reason;
  const char* message;
};

IconPatchError IconPatchErrorFor(int code) {
  switch (code) {
    case 2: return {404, "Icon Not Found", "The icon file is missing or empty."};
    case 3: return {500, "Loader Template Missing", "The loader template is missing or empty."};
    case 4: return {501, "Icon Patch Unavailable", "The loader template has no place for an icon."};
    case 5: return {500, "Loader Copy Failed", "The loader template could not be copied."};
    case 6: return {500, "Icon Unreadable", "The icon file could not be opened."};
    case 7: return {422, "Icon Not Usable", "The icon file must hold 1 to 64 images that lie within the file."};
    case 8: return {500, "Icon Patch Not Started", "The icon could not be put into the loader copy."};
    case 9: return {500, "Icon Not Written", "The icon could not be written into the loader copy (it may be too large)."};
    case 10: return {500, "Patched Loader Unreadable", "The patched loader could not be read back."};
    default: return {500, "Icon Patch Failed", "There was not enough memory to patch the loader."};
  }
}

}  // namespace

void ReplyIconPatchError(HttpExchange& exchange, int code) {
  const IconPatchError error = IconPatchErrorFor(code);
  const std::string_view message = error.message;
  HttpReplyHead head(error.status, message.size());
  head.reason(error.reason);
  head.add("Content-Type", "text/plain; charset=utf-8");
  head.add("Cache-Control", "no-store");
  if (exchange.send_head(head)) exchange.send_body(message);
}

void HandlePatchLoaderIcon(HttpExchange& exchange, RouteContext& context) {
  constexpr std::string_view kIconPath = "iconpath=";
  const std::string_view query = exchange.request().query;
  const std::string icon = query.starts_with(kIconPath) ? UrlDecodePath(query.substr(kIconPath.size())) : std::string();
  // An absolute path, or a bare file name that the patch looks up in the compiler's folder.
  if (icon.empty() || !(IsAcceptedAbsolutePath(icon) || IsPlainName(icon))) {
    exchange.reply(403);
    return;
  }
  LoaderIconPlaces places{context.program_dir, context.temp_dir, context.compiler_home ? context.compiler_home() : ""};
  uint64_t size = 0;
  int64_t code = 0;
  const std::optional<std::string> patched = PatchLoaderIcon(icon, places, size, code);
  if (!patched) return ReplyIconPatchError(exchange, static_cast<int>(code));
  HttpReplyHead head(200, size);
  head.add("Content-Type", "application/octet-stream");
  head.add("Cache-Control", "no-store");
  if (exchange.send_head(head)) exchange.send_body(*patched);
}

void HandleLoaderFile(HttpExchange& exchange, RouteContext& context) {
  const std::string file = UrlDecodePath(exchange.request().last_segment);
  if (!IsPlainName(file)) {
    exchange.reply(400, "The loader file name is not allowed.");
    return;
  }
  const std::string folder = context.program_dir + kLoaderFolder;
  const std::string path = folder + file;
  if (!IsServableFile(path) || !StaysInside(folder, path)) {
    exchange.reply(404, "The loader file does not exist.");
    return;
  }
  ServeWholeFile(exchange, path, HostMimeType(file));
}

void HandleExternalFile(HttpExchange& exchange, RouteContext&) {
  std::string path = NormaliseSeparators(
      UrlDecodePath(std::string_view(exchange.request().target).substr(std::string_view("ext:/").size())));
  if (!path.starts_with('/')) path.insert(path.begin(), '/');
  if (!IsAcceptedAbsolutePath(path)) {
    exchange.reply(400, "The path is not allowed.");
    return;
  }
  if (!IsServableFile(path)) {
    exchange.reply(404, "The file does not exist.");
    return;
  }
  ServeWholeFile(exchange, path, HostMimeType(UrlDecodePath(exchange.request().last_segment)));
}
