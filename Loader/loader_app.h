// The loader's start-up decisions, apart from the windows that carry them out.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "payload.h"
#include "rt/gui.h"

inline constexpr int kLoaderFirstPort = 56789;
inline constexpr int kLoaderLastPort = 57099;
// Window size limits above this are cut to it.
inline constexpr int kLoaderLargestWindow = 32000;

// The window's creation flags: borderless for a page with its own title bar or a transparent
// background, else a framed window that the user can size, minimise and maximise. Always created
// hidden and centred (the page's page_ready shows it).
unsigned LoaderWindowFlags(const LoaderSettings& settings);

struct LoaderSizeLimits {
  int min_width, min_height, max_width, max_height;
};
LoaderSizeLimits LoaderWindowLimits(const LoaderSettings& settings);

// The folder name under which an application keeps its web data (local storage, IndexedDB): its
// name with separators and control characters replaced, never "", "." or "..".
std::string LoaderDataFolderName(std::string_view app_name);

// The edge of a resize zone that the page's title bar names ("top", "bottomright" ...); none for any
// other name.
std::optional<RtWindowEdge> ResizeZoneEdge(std::string_view zone);
