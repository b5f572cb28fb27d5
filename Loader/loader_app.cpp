#include "loader_app.h"

#include <algorithm>

unsigned LoaderWindowFlags(const LoaderSettings& settings) {
  unsigned flags = RT_WINDOW_INVISIBLE | RT_WINDOW_CENTERED | RT_WINDOW_SIZEABLE;
  if (settings.titlebar || settings.transparent) flags |= RT_WINDOW_BORDERLESS;
  else flags |= RT_WINDOW_MINMAX;
  return flags;
}

LoaderSizeLimits LoaderWindowLimits(const LoaderSettings& settings) {
  const auto cut = [](int value) { return std::clamp(value, 0, kLoaderLargestWindow); };
  return {cut(settings.min_width), cut(settings.min_height), cut(settings.max_width), cut(settings.max_height)};
}

std::string LoaderDataFolderName(std::string_view app_name) {
  std::string name;
  for (const char c : app_name) {
    const auto byte = static_cast<unsigned char>(c);
    name += (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) ? '_' : c;
  }
  if (name.empty() || name == "." || name == "..") name = "Quorlin app";
  return name;
}

std::optional<RtWindowEdge> ResizeZoneEdge(std::string_view zone) {
  static constexpr std::pair<std::string_view, RtWindowEdge> kZones[] = {
      {"top", RT_EDGE_TOP},          {"bottom", RT_EDGE_BOTTOM},          {"left", RT_EDGE_LEFT},
      {"right", RT_EDGE_RIGHT},      {"topleft", RT_EDGE_TOP_LEFT},       {"topright", RT_EDGE_TOP_RIGHT},
      {"bottomleft", RT_EDGE_BOTTOM_LEFT}, {"bottomright", RT_EDGE_BOTTOM_RIGHT}};
  for (const auto& [name, edge] : kZones)
    if (name == zone) return edge;
  return std::nullopt;
}
