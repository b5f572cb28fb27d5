// HostMimeTable: the Content-Type of a served file, chosen from the extension of its last segment,
// and the media extensions for which Range requests are honoured.
#pragma once
#include <span>
#include <string_view>

struct HostMimeEntry {
  std::string_view extension;   // lower case, without the dot
  std::string_view type;
  bool media;                   // video or audio: served in ranges on request
};

// Every known extension, in the order they are tested.
std::span<const HostMimeEntry> HostMimeTable();
// The type for the text after the last "." of `last_segment` (compared in lower case);
// application/octet-stream for any other extension and for a segment without one.
std::string_view HostMimeType(std::string_view last_segment);
// True when the extension of `last_segment` is one of the media extensions.
bool HostIsMediaFile(std::string_view last_segment);
