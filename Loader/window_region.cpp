#include "window_region.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "project_paths.h"
#include "url.h"

namespace {

constexpr int kOpaqueAbove = 10;
constexpr int kLargestImageSide = 16384;
// A box larger than this is taken whole rather than scanned: no window is that large.
constexpr int64_t kLargestScannedArea = int64_t{64} << 20;
constexpr int kLargestBoxSide = 1 << 16;

// Columns a rounded corner of radius r leaves out on row k (0 = the row at the box's edge): a pixel is
// kept when its centre lies inside the corner's circle.
int CornerInset(int r, int k) {
  if (r <= 0 || k >= r) return 0;
  const double dy = r - (k + 0.5);
  const double dx = std::sqrt(std::max(0.0, double(r) * r - dy * dy));
  return std::max(0, static_cast<int>(std::ceil(r - dx - 0.5)));
}

// Adds the row run, joining it to the rectangle above when that one has the same columns.
void AddRow(RegionSpans& out, int x, int y, int w) {
  if (w <= 0) return;
  if (!out.empty()) {
    RegionRect& last = out.back();
    if (last.x == x && last.w == w && last.y + last.h == y) {
      ++last.h;
      return;
    }
  }
  out.push_back({x, y, w, 1});
}

int Scaled(int value, int dpi) { return static_cast<int>(std::lround(double(value) * dpi / 96.0)); }

// --- pictures ---

uint32_t U32(std::string_view b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t U16(std::string_view b, size_t at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); }

std::optional<AlphaImage> DecodePng(std::string_view bytes) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  if (image.width == 0 || image.height == 0 || image.width > kLargestImageSide || image.height > kLargestImageSide) {
    png_image_free(&image);
    return std::nullopt;
  }
  // Grey and alpha: the colour does not matter, and a picture without alpha reads opaque.
  image.format = PNG_FORMAT_GA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  AlphaImage out{static_cast<int>(image.width), static_cast<int>(image.height), {}};
  out.alpha.resize(size_t(out.width) * out.height);
  for (size_t i = 0; i < out.alpha.size(); ++i) out.alpha[i] = pixels[i * 2 + 1];
  return out;
}

std::optional<AlphaImage> DecodeBmp(std::string_view b) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  const uint32_t offset = U32(b, 10);
  const uint32_t header = U32(b, 14);
  if (header < 40) return std::nullopt;
  const int32_t width = static_cast<int32_t>(U32(b, 18));
  const int32_t raw_height = static_cast<int32_t>(U32(b, 22));
  const int bpp = U16(b, 28);
  if (width <= 0 || raw_height == 0 || raw_height == INT32_MIN) return std::nullopt;
  const bool top_down = raw_height < 0;
  const int height = top_down ? -raw_height : raw_height;
  if (width > kLargestImageSide || height > kLargestImageSide) return std::nullopt;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return std::nullopt;
  const uint64_t stride = ((uint64_t(bpp) * width + 31) / 32) * 4;
  if (offset > b.size() || stride * height > b.size() - offset) return std::nullopt;
  AlphaImage out{width, height, std::vector<uint8_t>(size_t(width) * height, 255)};
  if (bpp != 32) return out;   // no alpha channel: opaque throughout
  bool any_alpha = false;
  for (int row = 0; row < height; ++row) {
    const size_t src = offset + size_t(stride) * (top_down ? row : height - 1 - row);
    for (int x = 0; x < width; ++x) {
      const uint8_t a = uint8_t(b[src + size_t(x) * 4 + 3]);
      out.alpha[size_t(row) * width + x] = a;
      any_alpha |= a != 0;
    }
  }
  // Alpha bytes that are all 0 are unused (plain 32-bit pictures): the picture is opaque.
  if (!any_alpha) std::fill(out.alpha.begin(), out.alpha.end(), 255);
  return out;
}

// Area-weighted resampling of `n` values into `m` (each output averages the input span it covers).
void Resample(const float* in, int n, size_t in_step, float* out, int m, size_t out_step) {
  const double ratio = double(n) / m;
  for (int j = 0; j < m; ++j) {
    const double start = j * ratio, end = (j + 1) * ratio;
    double sum = 0;
    for (int i = static_cast<int>(start); i < n && i < end; ++i) {
      const double overlap = std::min<double>(end, i + 1) - std::max<double>(start, i);
      if (overlap > 0) sum += in[size_t(i) * in_step] * overlap;
    }
    out[size_t(j) * out_step] = static_cast<float>(sum / ratio);
  }
}

// --- the message ---

int Int(const nlohmann::json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_number()) return 0;
  const double v = it->get<double>();
  if (!(v > -1e9 && v < 1e9)) return 0;
  return static_cast<int>(v);   // toward zero
}

std::string Text(const nlohmann::json& object, const char* key) {
  const auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

double Number(const nlohmann::json& object, const char* key, double fallback) {
  const auto it = object.find(key);
  return it != object.end() && it->is_number() ? it->get<double>() : fallback;
}

// The number at the start of a text ("10px" is 10); 0 when there is none.
double LeadingNumber(std::string_view text) {
  std::string s(text);
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  return end == s.c_str() || !std::isfinite(v) ? 0 : v;
}

// Four values of a CSS list of one to four numbers split at single blanks (top, right, bottom, left),
// a missing or 0 value taken from its partner.
std::array<double, 4> FourSides(std::string_view text) {
  std::array<double, 4> v{};
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    if (start > text.size()) break;
    const size_t blank = text.find(' ', start);
    v[i] = LeadingNumber(text.substr(start, blank == std::string_view::npos ? std::string_view::npos : blank - start));
    if (blank == std::string_view::npos) break;
    start = blank + 1;
  }
  if (v[1] == 0) v[1] = v[0];
  if (v[2] == 0) v[2] = v[0];
  if (v[3] == 0) v[3] = v[1];
  return v;
}

std::string WithoutFill(std::string text) {
  for (;;) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    const size_t at = lower.find("fill");
    if (at == std::string::npos) break;
    text.erase(at, 4);
  }
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The picture scaled smoothly (each destination pixel averages the source area it covers) to w x h,
// one destination row at a time, so no scaled copy of the picture is ever held.
void StretchScan(RegionSpans& out, const AlphaImage& image, int x, int y, int w, int h) {
  const int sw = image.width, sh = image.height;
  std::vector<float> source(size_t(sw) * sh);
  std::copy(image.alpha.begin(), image.alpha.end(), source.begin());
  std::vector<float> column_mix(sw), row(w);
  const double ratio = double(sh) / h;
  for (int iy = 0; iy < h; ++iy) {
    // The source rows this destination row covers, weighted by how much of each it covers.
    const double start = iy * ratio, end = (iy + 1) * ratio;
    std::fill(column_mix.begin(), column_mix.end(), 0.0f);
    for (int sy = static_cast<int>(start); sy < sh && sy < end; ++sy) {
      const float weight = static_cast<float>((std::min<double>(end, sy + 1) - std::max<double>(start, sy)) / ratio);
      if (weight <= 0) continue;
      const float* src = source.data() + size_t(sy) * sw;
      for (int sx = 0; sx < sw; ++sx) column_mix[sx] += src[sx] * weight;
    }
    Resample(column_mix.data(), sw, 1, row.data(), w, 1);
    for (int ix = 0; ix < w;) {
      if (!(row[ix] >= kOpaqueAbove + 0.5f)) {
        ++ix;
        continue;
      }
      const int a = ix;
      while (ix < w && row[ix] >= kOpaqueAbove + 0.5f) ++ix;
      out.push_back({x + a, y + iy, ix - a, 1});
    }
  }
}

// The picture position that destination position `i` reads along one axis of a nine-slice: the two
// borders scale on their own, the middle stretches over what is left.
int64_t SliceSource(int64_t i, int64_t dest, int64_t src, int64_t dLo, int64_t dHi, int64_t sLo, int64_t sHi) {
  if (i < dLo) return i * sLo / dLo;
  if (i >= dest - dHi) return src - sHi + (i - (dest - dHi)) * sHi / dHi;
  const int64_t sMid = src - sLo - sHi, dMid = dest - dLo - dHi;
  return sMid > 0 && dMid > 0 ? sLo + (i - dLo) * sMid / dMid : sLo;
}

void SliceScan(RegionSpans& out, const AlphaImage& image, int x, int y, int w, int h, const std::string& slice,
               const std::string& bw, double dpr) {
  const int64_t iw = image.width, ih = image.height;
  const std::array<double, 4> s = SliceInsets(slice, image.width, image.height);
  const std::array<double, 4> d = SliceWidths(bw, s, w, h, dpr);
  const auto trunc = [](double v) { return static_cast<int64_t>(std::clamp(v, -1e9, 1e9)); };
  const int64_t sTop = trunc(s[0]), sRight = trunc(s[1]), sBottom = trunc(s[2]), sLeft = trunc(s[3]);
  const int64_t dTop = trunc(d[0]), dRight = trunc(d[1]), dBottom = trunc(d[2]), dLeft = trunc(d[3]);

  // The source column of each destination column; -1 outside the picture (insets larger than it read
  // nothing and count as see-through).
  std::vector<int64_t> column(w);
  for (int64_t ix = 0; ix < w; ++ix) {
    const int64_t sx = SliceSource(ix, w, iw, dLeft, dRight, sLeft, sRight);
    column[ix] = sx >= 0 && sx < iw ? sx : -1;
  }
  std::vector<uint8_t> opaque(w);
  for (int64_t iy = 0; iy < h; ++iy) {
    const int64_t sy = SliceSource(iy, h, ih, dTop, dBottom, sTop, sBottom);
    if (sy < 0 || sy >= ih) continue;
    const uint8_t* row = image.alpha.data() + size_t(sy) * size_t(iw);
    for (int ix = 0; ix < w; ++ix) opaque[ix] = column[ix] >= 0 && row[column[ix]] > kOpaqueAbove;
    for (int ix = 0; ix < w;) {
      if (!opaque[ix]) {
        ++ix;
        continue;
      }
      const int a = ix;
      while (ix < w && opaque[ix]) ++ix;
      out.push_back({x + a, y + int(iy), ix - a, 1});
    }
  }
}

std::optional<std::string> ReadSmallFile(const std::string& path) {
  if (!IsServableFile(path)) return std::nullopt;
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error || size > (uint64_t{64} << 20)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  return bytes;
}

}  // namespace

std::array<double, 4> SliceInsets(const std::string& slice, int image_width, int image_height) {
  std::array<double, 4> s = FourSides(WithoutFill(slice));
  if (slice.find('%') != std::string::npos) {
    s[0] *= image_height / 100.0, s[2] *= image_height / 100.0;
    s[1] *= image_width / 100.0, s[3] *= image_width / 100.0;
  }
  return s;
}

std::array<double, 4> SliceWidths(const std::string& bw, const std::array<double, 4>& insets, int w, int h, double dpr) {
  std::array<double, 4> d;
  if (bw.empty() || bw == "auto") {
    for (int i = 0; i < 4; ++i) d[i] = insets[i] * dpr;
    return d;
  }
  d = FourSides(bw);
  if (bw.find('%') != std::string::npos) {
    d[0] *= h / 100.0, d[2] *= h / 100.0, d[1] *= w / 100.0, d[3] *= w / 100.0;
  } else {
    for (double& v : d) v *= dpr;
  }
  return d;
}

void AddRoundedBox(RegionSpans& out, int x, int y, int w, int h, int tl, int tr, int br, int bl) {
  if (w <= 0 || h <= 0) return;
  w = std::min(w, kLargestBoxSide), h = std::min(h, kLargestBoxSide);
  const int cap = std::min(w, h) / 2;
  const auto fit = [cap](int r) { return std::clamp(r, 0, cap); };
  tl = fit(tl), tr = fit(tr), br = fit(br), bl = fit(bl);
  if (!tl && !tr && !br && !bl) {
    out.push_back({x, y, w, h});
    return;
  }
  for (int iy = 0; iy < h; ++iy) {
    const int from_bottom = h - 1 - iy;
    const int left = std::max(CornerInset(tl, iy), CornerInset(bl, from_bottom));
    const int right = std::max(CornerInset(tr, iy), CornerInset(br, from_bottom));
    AddRow(out, x + left, y + iy, w - left - right);
  }
}

RegionSpans CornerRegion(int width, int height, int tl, int tr, int br, int bl, int dpi) {
  int r[4] = {tl, tr, br, bl};
  const int positive = int(std::count_if(std::begin(r), std::end(r), [](int v) { return v > 0; }));
  if (positive == 1) std::fill(std::begin(r), std::end(r), *std::max_element(std::begin(r), std::end(r)));
  const int w = Scaled(width, dpi), h = Scaled(height, dpi);
  const int cap = std::max(0, std::min(w, h) / 2);
  for (int& v : r) v = std::min(std::max(0, Scaled(v, dpi)), cap);
  RegionSpans spans;
  AddRoundedBox(spans, 0, 0, w, h, r[0], r[1], r[2], r[3]);
  return spans;
}

std::optional<AlphaImage> DecodeAlphaImage(std::string_view bytes) {
  if (bytes.size() >= 8 && bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) return DecodePng(bytes);
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return DecodeBmp(bytes);
  return std::nullopt;
}

std::optional<RegionSpans> TransparentRegion(std::string_view message, const RegionImageSource& images) {
  const nlohmann::json root = nlohmann::json::parse(message, nullptr, false);
  if (!root.is_object()) return std::nullopt;
  RegionSpans spans;
  const auto rects = root.find("rects");
  if (rects != root.end() && rects->is_array()) {
    for (const auto& r : *rects) {
      if (!r.is_object()) continue;
      const int radius = Int(r, "r");
      if (radius > 0) AddRoundedBox(spans, Int(r, "x"), Int(r, "y"), Int(r, "w"), Int(r, "h"), radius, radius, radius, radius);
      else
        AddRoundedBox(spans, Int(r, "x"), Int(r, "y"), Int(r, "w"), Int(r, "h"), Int(r, "rtl"), Int(r, "rtr"), Int(r, "rbr"),
                      Int(r, "rbl"));
    }
  }
  const auto list = root.find("images");
  if (list != root.end() && list->is_array()) {
    for (const auto& item : *list) {
      if (!item.is_object()) continue;
      const int x = Int(item, "x"), y = Int(item, "y"), w = Int(item, "w"), h = Int(item, "h");
      if (w <= 0 || h <= 0) continue;
      const std::optional<AlphaImage> image =
          images && int64_t(w) * h <= kLargestScannedArea ? images(Text(item, "src")) : std::nullopt;
      if (!image) {
        AddRoundedBox(spans, x, y, w, h, 0, 0, 0, 0);
        continue;
      }
      const std::string slice = Text(item, "slice");
      if (slice.empty()) StretchScan(spans, *image, x, y, w, h);
      else SliceScan(spans, *image, x, y, w, h, slice, Text(item, "bw"), Number(item, "dpr", 1));
    }
  }
  return spans;
}

std::string RegionImagePath(std::string_view src) {
  std::string_view path = src;
  if (src.size() > 8) {
    const size_t slash = src.find('/', 8);
    if (slash != std::string_view::npos) path = src.substr(slash + 1);
  }
  path = path.substr(0, path.find_first_of("?#"));
  std::string decoded = UrlDecodePath(path);
  if (decoded.find(':') != std::string::npos || !IsSafeRelativePath(decoded)) return {};
  return decoded;
}

RegionImageSource LoaderRegionImages(const LoaderResourceTable* resources, std::string program_dir) {
  return [resources, program_dir = std::move(program_dir)](const std::string& src) -> std::optional<AlphaImage> {
    const std::string path = RegionImagePath(src);
    if (path.empty()) return std::nullopt;
    if (resources) {
      if (const std::string_view* bytes = resources->find(path)) return DecodeAlphaImage(*bytes);
    }
    const std::string file = program_dir + path;
    if (!StaysInside(program_dir, file)) return std::nullopt;
    const std::optional<std::string> bytes = ReadSmallFile(file);
    return bytes ? DecodeAlphaImage(*bytes) : std::nullopt;
  };
}
