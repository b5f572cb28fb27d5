// The routes that serve one file by name: the loader template (plain or with the user's icon) and
// any absolute path that an exported page refers to.
#include <string>

#include "file_branch.h"
#include "mime.h"
#include "routes_handlers.h"
#include "project_paths.h"
#include "url.h"

namespace {

// The loader template's shipped name in the loader folder.
constexpr const char* kLoaderTemplateName = "quorlin_loader";

struct IconPatchError {
  int status;
  const char* reason;
  const char* message;
};

IconPatchError IconPatchErrorFor(int code) {
  switch (code) {
    case 2: return {404, "Icon Not Found", "The icon file is missing or empty."};
    case 3: return {500, "Loader Template Missing", "The loader template is missing or empty."};
    case 4: return {501, "Icon Patch Unavailable", "This build cannot put an icon into the loader yet."};
    case 5: return {500, "Loader Copy Failed", "The loader template could not be copied."};
    case 6: return {500, "Icon Unreadable", "The icon file could not be opened."};
    case 7: return {422, "Icon Not Usable", "The icon file must hold 1 to 64 images that lie within the file."};
    case 8: return {500, "Icon Patch Not Started", "The icon could not be put into the loader copy."};
    case 9: return {500, "Icon Not Written", "Writing the icon into the loader copy failed."};
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
  if (icon.empty() || !IsAcceptedAbsolutePath(icon)) {
    exchange.reply(403);
    return;
  }
  // The icon patch is not part of this build yet: its checks run in its order, then it reports that
  // the patch itself is unavailable.
  const std::string loader = context.program_dir + kLoaderFolder + kLoaderTemplateName;
  if (!IsServableFile(icon)) return ReplyIconPatchError(exchange, 2);
  if (!IsServableFile(loader)) return ReplyIconPatchError(exchange, 3);
  ReplyIconPatchError(exchange, 4);
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
