#include "preview_geometry.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace {

constexpr int kDefaultMaximum = 8192;
constexpr int kSmallestSize = 101;
constexpr int kLargestSize = 3999;

// An integer member; nullopt when absent or no number (a fraction is cut toward zero).
std::optional<int> IntegerMember(const nlohmann::json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_number()) return std::nullopt;
  const double value = it->get<double>();
  if (!(value > -1e9 && value < 1e9)) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

PreviewRequest ParsePreviewRequest(const std::string& value) {
  PreviewRequest request;
  const nlohmann::json root = nlohmann::json::parse(value, nullptr, /*allow_exceptions=*/false);
  if (!root.is_object()) return request;
  // A missing member counts as 0, as the page sends for a limit it does not set.
  const auto member = [&](const char* key) { return IntegerMember(root, key).value_or(0); };
  request.min_width = std::max(member("minW"), 0);
  request.min_height = std::max(member("minH"), 0);
  request.max_width = member("maxW") > 0 ? member("maxW") : kDefaultMaximum;
  request.max_height = member("maxH") > 0 ? member("maxH") : kDefaultMaximum;
  const int w = member("w"), h = member("h");
  request.width = w >= kSmallestSize && w <= kLargestSize ? w : 0;
  request.height = h >= kSmallestSize && h <= kLargestSize ? h : 0;
  return request;
}

PreviewGeometry ComputePreviewGeometry(const PreviewRequest& request, int main_x, int main_y, int main_width,
                                       int main_height, int screen_height) {
  PreviewGeometry g;
  g.min_width = request.min_width;
  g.min_height = request.min_height;
  g.max_width = request.max_width;
  g.max_height = request.max_height;
  g.width = std::min(std::max(request.width > 0 ? request.width : main_width, g.min_width), g.max_width);
  g.height = std::min(std::max(request.height > 0 ? request.height : main_height, g.min_height), g.max_height);
  g.x = main_x + (main_width - g.width) / 2;
  g.y = main_y + (main_height - g.height) / 2;
  g.taller_than_screen = screen_height > 0 && screen_height < g.height;
  return g;
}

std::string PreviewTitle(int width, int height, bool taller_than_screen) {
  return "Preview " + std::to_string(width) + " x " + std::to_string(height) +
         (taller_than_screen ? " (taller than the screen)" : "");
}
