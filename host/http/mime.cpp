// The content types the editor page, its libraries and exported pages need. Text types name their
// charset so that a page never depends on the web view's guess.
#include "mime.h"

#include <array>
#include <string>

namespace {

constexpr std::array kTable = {
    HostMimeEntry{"html", "text/html; charset=utf-8", false},
    HostMimeEntry{"htm", "text/html; charset=utf-8", false},
    HostMimeEntry{"jpg", "image/jpeg", false},
    HostMimeEntry{"jpeg", "image/jpeg", false},
    HostMimeEntry{"js", "text/javascript; charset=utf-8", false},
    HostMimeEntry{"mjs", "text/javascript; charset=utf-8", false},
    HostMimeEntry{"css", "text/css; charset=utf-8", false},
    HostMimeEntry{"json", "application/json; charset=utf-8", false},
    HostMimeEntry{"woff2", "font/woff2", false},
    HostMimeEntry{"woff", "font/woff", false},
    HostMimeEntry{"ttf", "font/ttf", false},
    HostMimeEntry{"otf", "font/otf", false},
    HostMimeEntry{"png", "image/png", false},
    HostMimeEntry{"gif", "image/gif", false},
    HostMimeEntry{"svg", "image/svg+xml", false},
    HostMimeEntry{"webp", "image/webp", false},
    HostMimeEntry{"ico", "image/x-icon", false},
    HostMimeEntry{"txt", "text/plain; charset=utf-8", false},
    HostMimeEntry{"wasm", "application/wasm", false},
    HostMimeEntry{"mp4", "video/mp4", true},
    HostMimeEntry{"webm", "video/webm", true},
    HostMimeEntry{"ogv", "video/ogg", true},
    HostMimeEntry{"mov", "video/quicktime", true},
    HostMimeEntry{"mkv", "video/x-matroska", true},
    HostMimeEntry{"mp3", "audio/mpeg", true},
    HostMimeEntry{"ogg", "audio/ogg", true},
    HostMimeEntry{"wav", "audio/wav", true},
    HostMimeEntry{"m4a", "audio/mp4", true},
    HostMimeEntry{"flac", "audio/flac", true},
};

constexpr std::string_view kDefaultType = "application/octet-stream";

const HostMimeEntry* Find(std::string_view last_segment) {
  const size_t dot = last_segment.rfind('.');
  if (dot == std::string_view::npos) return nullptr;
  std::string extension(last_segment.substr(dot + 1));
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const auto& entry : kTable)
    if (entry.extension == extension) return &entry;
  return nullptr;
}

}  // namespace

std::span<const HostMimeEntry> HostMimeTable() { return kTable; }

std::string_view HostMimeType(std::string_view last_segment) {
  const HostMimeEntry* entry = Find(last_segment);
  return entry ? entry->type : kDefaultType;
}

bool HostIsMediaFile(std::string_view last_segment) {
  const HostMimeEntry* entry = Find(last_segment);
  return entry && entry->media;
}
