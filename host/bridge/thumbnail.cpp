#include "thumbnail.h"

#include "base64.h"
#include "project_paths.h"
#include "shared_state.h"
#include "support.h"
#include "rt/fs.h"

namespace {

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

}  // namespace

bool SaveProjectThumbnail(const std::string& value) {
  const size_t bar = value.find('|');
  if (bar == std::string::npos) return false;
  const std::string name = value.substr(0, bar);
  // The name comes from a page (the preview page runs user code): it must name a folder inside the
  // projects folder and nothing else.
  if (!IsPlainName(name)) {
    HostLog("thumbnail refused for the name \"" + name + "\"");
    return false;
  }
  const auto png = DecodeBase64(std::string_view(value).substr(bar + 1));
  if (!png || !png->starts_with(kPngSignature)) return false;
  const std::string path = ProjectThumbnailPath(name);
  return MakeDirectoryExternal(rt_path_dir_part(path)) && rt_file_write_atomic(path, *png);
}
