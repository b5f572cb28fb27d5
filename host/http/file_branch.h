// The file branch: every GET and HEAD that no earlier route takes. It serves the packed editor page
// from memory, then files of the temporary folder ("tmp/..."), of the program folder and, as a
// fallback, of the open project's folder; media files also in byte ranges. Only library and font
// files of the program folder may be cached.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "routes.h"
#include "rt/http.h"

// What the branch answers and where the bytes come from.
struct FileBranchReply {
  int status = 404;                 // 200, 206, 404, 416 or 500
  std::string_view content_type;
  bool media = false;               // a media extension: ranges are honoured
  uint64_t size = 0;                // of the whole file
  uint64_t offset = 0;              // first byte sent
  uint64_t length = 0;              // bytes sent
  std::string_view memory;          // the packed file, when served from memory
  FileHandle file;                  // the opened file, when served from disk
  std::string path;                 // the file's path on disk ("" for memory)
  bool cacheable = false;           // a library or font file of the program folder (kLibraryCacheControl)
};

// The Cache-Control of the library and font files beside the program (Internal_lib/, Fonts/): their
// content is fixed for a version, and the web view keeps its cache in a folder of that version. Every
// other reply, the packed page, project files, temporary files and API answers included, is no-store.
inline constexpr std::string_view kLibraryCacheControl = "public, max-age=31536000, immutable";

// Chooses the reply for `request` without sending anything. Disk paths come from the target decoded
// with UrlDecodePath; a target that fails CheckRelativePath, or that a link leads out of its folder,
// is not found. Project files follow the sub-folder case rule of FindProjectFile.
FileBranchReply ResolveFileBranch(const HttpRequest& request, const RouteContext& context);

// Resolves and sends: the head, then only the bytes of the reply, read piece by piece as the peer
// takes them.
void ServeFileBranch(HttpExchange& exchange, const RouteContext& context);

// Sends a whole file of at least one byte with the given type; 404 when it is missing,
// empty or not a regular file, 500 when it cannot be opened. The routes that serve one named file use it.
void ServeWholeFile(HttpExchange& exchange, const std::string& path, std::string_view content_type);
