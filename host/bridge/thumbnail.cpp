#include "thumbnail.h"

#include <cstdint>

#include "project_paths.h"
#include "shared_state.h"
#include "support.h"
#include "rt/fs.h"

namespace {

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

int Base64Digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::optional<std::string> DecodeBase64(std::string_view text) {
  size_t padding = 0;
  while (!text.empty() && text.back() == '=' && padding < 2) {
    text.remove_suffix(1);
    ++padding;
  }
  if (text.size() % 4 == 1 || (padding && (text.size() + padding) % 4 != 0)) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3 + 2);
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const int digit = Base64Digit(c);
    if (digit < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<uint32_t>(digit);
    if (++count == 4) {
      out += static_cast<char>(bits >> 16);
      out += static_cast<char>(bits >> 8);
      out += static_cast<char>(bits);
      bits = 0;
      count = 0;
    }
  }
  if (count == 2) out += static_cast<char>(bits >> 4);
  if (count == 3) {
    out += static_cast<char>(bits >> 10);
    out += static_cast<char>(bits >> 2);
  }
  return out;
}

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
