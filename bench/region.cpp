// The see-through window's full shape pass as the loader makes it: a transparent_region message of a
// 1920 x 1080 window with 40 boxes (half of them rounded), 4 stretched pictures of 256 x 256 and 2 nine-sliced
// frames, decoded from PNG bytes and scanned into rectangles. Prints the median and worst of 30 passes, the
// rectangles made, and the time of the corner region of a 1920 x 1080 window.
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "window_region.h"

namespace {

std::string Png(int w, int h, bool frame) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = w;
  image.height = h;
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(size_t(w) * h * 4, 200);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = x - w / 2.0, dy = y - h / 2.0;
      const bool opaque = frame ? (x < 16 || y < 16 || x >= w - 16 || y >= h - 16) : std::sqrt(dx * dx + dy * dy) < w / 2.2;
      pixels[(size_t(y) * w + x) * 4 + 3] = opaque ? 255 : 0;
    }
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
  std::string bytes(size, '\0');
  png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, nullptr);
  bytes.resize(size);
  return bytes;
}

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main() {
  std::map<std::string, std::string> files = {{"img/logo.png", Png(256, 256, false)}, {"img/frame.png", Png(64, 64, true)}};
  const RegionImageSource source = [&](const std::string& src) -> std::optional<AlphaImage> {
    const auto it = files.find(RegionImagePath(src));
    return it == files.end() ? std::nullopt : DecodeAlphaImage(it->second);
  };
  std::string message = "{\"rects\":[";
  for (int i = 0; i < 40; ++i) {
    if (i) message += ',';
    message += "{\"x\":" + std::to_string((i % 8) * 230) + ",\"y\":" + std::to_string((i / 8) * 200) +
               ",\"w\":220,\"h\":180" + (i % 2 ? ",\"r\":24}" : "}");
  }
  message += "],\"images\":[";
  for (int i = 0; i < 4; ++i)
    message += "{\"x\":" + std::to_string(100 + i * 420) + ",\"y\":500,\"w\":400,\"h\":400,\"src\":\"http://127.0.0.1:56789/img/logo.png\"},";
  message += "{\"x\":0,\"y\":0,\"w\":1920,\"h\":1080,\"src\":\"http://127.0.0.1:56789/img/frame.png\",\"slice\":\"16\",\"dpr\":1},";
  message += "{\"x\":600,\"y\":100,\"w\":700,\"h\":300,\"src\":\"http://127.0.0.1:56789/img/frame.png\",\"slice\":\"16 fill\",\"bw\":\"32px\",\"dpr\":2}]}";

  std::vector<double> times;
  size_t rects = 0;
  for (int i = 0; i < 30; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const auto spans = TransparentRegion(message, source);
    times.push_back(Ms(std::chrono::steady_clock::now() - start));
    rects = spans ? spans->size() : 0;
  }
  std::sort(times.begin(), times.end());
  std::printf("full shape pass, 1920 x 1080 with 6 pictures: median %.2f ms, worst %.2f ms, %zu rectangles\n", times[15],
              times.back(), rects);
  const auto start = std::chrono::steady_clock::now();
  const RegionSpans corners = CornerRegion(1920, 1080, 12, 12, 12, 12);
  std::printf("corner region of a 1920 x 1080 window: %.3f ms, %zu rectangles\n", Ms(std::chrono::steady_clock::now() - start),
              corners.size());
  return 0;
}
