// The shapes of borderless loader windows: rounded boxes and corner regions, pictures' opaque pixels
// (stretched and nine-sliced), the picture formats, and the transparent_region messages, compared as
// pixel masks.
#include <gtest/gtest.h>

#include <png.h>

#include <cstring>
#include <functional>
#include <map>

#include "window_region.h"

namespace {

// Which pixels of a width x height field the spans cover.
struct Mask {
  int w, h;
  std::vector<bool> on;
  Mask(const RegionSpans& spans, int width, int height) : w(width), h(height), on(size_t(width) * height) {
    for (const RegionRect& r : spans)
      for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x)
          if (x >= 0 && y >= 0 && x < w && y < h) on[size_t(y) * w + x] = true;
  }
  bool at(int x, int y) const { return on[size_t(y) * w + x]; }
  int count() const { return int(std::count(on.begin(), on.end(), true)); }
  bool operator==(const Mask& other) const { return w == other.w && h == other.h && on == other.on; }
  // Covered pixels of one row from the left edge until the first covered one.
  int inset(int y) const {
    int x = 0;
    while (x < w && !at(x, y)) ++x;
    return x;
  }
};

int64_t Area(const RegionSpans& spans) {
  int64_t area = 0;
  for (const RegionRect& r : spans) area += int64_t(r.w) * r.h;
  return area;
}

// A PNG of w x h whose pixel alpha comes from `alpha` (RGBA), or an RGB one without alpha.
std::string Png(int w, int h, const std::function<int(int, int)>& alpha, bool with_alpha = true) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = w;
  image.height = h;
  image.format = with_alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  const int channels = with_alpha ? 4 : 3;
  std::vector<uint8_t> pixels(size_t(w) * h * channels, 128);
  if (with_alpha)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) pixels[(size_t(y) * w + x) * 4 + 3] = uint8_t(alpha(x, y));
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr));
  std::string bytes(size, '\0');
  EXPECT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, nullptr));
  bytes.resize(size);
  return bytes;
}

// A bottom-up BMP of 24 or 32 bits.
std::string Bmp(int w, int h, int bpp, const std::function<int(int, int)>& alpha) {
  const int stride = ((bpp * w + 31) / 32) * 4;
  std::string b(54 + size_t(stride) * h, '\0');
  auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF); };
  b[0] = 'B', b[1] = 'M';
  put32(2, uint32_t(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  b[26] = 1, b[28] = char(bpp);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (bpp == 32) b[54 + size_t(h - 1 - y) * stride + size_t(x) * 4 + 3] = char(alpha(x, y));
  return b;
}

// A source that serves the pictures of a name table.
RegionImageSource Pictures(std::map<std::string, std::string> files) {
  return [files = std::move(files)](const std::string& src) -> std::optional<AlphaImage> {
    const auto it = files.find(src);
    return it == files.end() ? std::nullopt : DecodeAlphaImage(it->second);
  };
}

Mask Region(const std::string& message, const RegionImageSource& source, int w, int h) {
  const auto spans = TransparentRegion(message, source);
  EXPECT_TRUE(spans.has_value()) << message;
  return Mask(spans.value_or(RegionSpans{}), w, h);
}

Mask Rounded(int w, int h, int tl, int tr, int br, int bl) {
  RegionSpans spans;
  AddRoundedBox(spans, 0, 0, w, h, tl, tr, br, bl);
  return Mask(spans, w, h);
}

TEST(WindowRegion, RoundedBoxesKeepThePixelsInsideTheirCorners) {
  const Mask r10(Region(R"({"rects":[{"x":0,"y":0,"w":100,"h":50,"r":10}]})", {}, 100, 50));
  EXPECT_EQ(r10.inset(0), 7);     // the first row of a radius-10 corner
  EXPECT_EQ(r10.inset(9), 0);
  EXPECT_EQ(r10.inset(49), 7);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 100; ++x) {
      ASSERT_EQ(r10.at(x, y), r10.at(99 - x, y));   // symmetric both ways
      ASSERT_EQ(r10.at(x, y), r10.at(x, 49 - y));
    }
  EXPECT_FALSE(r10.at(0, 0));
  EXPECT_TRUE(r10.at(3, 3));   // inside the circle around (10, 10)
  EXPECT_EQ(r10, Rounded(100, 50, 10, 10, 10, 10));

  for (const char* square : {R"({"rects":[{"x":0,"y":0,"w":100,"h":50,"r":0}]})", R"({"rects":[{"x":0,"y":0,"w":100,"h":50}]})"})
    EXPECT_EQ(Region(square, {}, 100, 50).count(), 5000) << square;

  // Corners that differ are cut each on its own.
  const Mask one(Region(R"({"rects":[{"x":0,"y":0,"w":100,"h":50,"rtl":10,"rtr":0,"rbr":0,"rbl":0}]})", {}, 100, 50));
  EXPECT_FALSE(one.at(0, 0));
  EXPECT_TRUE(one.at(99, 0) && one.at(99, 49) && one.at(0, 49));
  EXPECT_EQ(one, Rounded(100, 50, 10, 0, 0, 0));
  // A radius above half the box is cut to it: a 20 x 10 box becomes a capsule.
  EXPECT_EQ(Rounded(20, 10, 50, 50, 50, 50), Rounded(20, 10, 5, 5, 5, 5));
}

TEST(WindowRegion, CornerRegions) {
  struct Case {
    const char* what;
    int w, h, tl, tr, br, bl, dpi;
    Mask expected;
  } cases[] = {
      {"one radius rounds all four", 300, 200, 0, 12, 0, 0, 96, Rounded(300, 200, 12, 12, 12, 12)},
      {"top corners only", 300, 200, 8, 8, 0, 0, 96, Rounded(300, 200, 8, 8, 0, 0)},
      {"all four", 300, 200, 8, 8, 8, 8, 96, Rounded(300, 200, 8, 8, 8, 8)},
      {"500 is cut to half the height", 300, 200, 500, 500, 500, 500, 96, Rounded(300, 200, 100, 100, 100, 100)},
      {"a negative radius is square", 300, 200, -4, 8, 0, 0, 96, Rounded(300, 200, 8, 8, 8, 8)},
      {"all square", 300, 200, 0, 0, 0, 0, 96, Rounded(300, 200, 0, 0, 0, 0)},
      {"144 DPI: 10 becomes 15", 200, 100, 10, 10, 10, 10, 144, Rounded(300, 150, 15, 15, 15, 15)},
  };
  for (const Case& c : cases) {
    const Mask got(CornerRegion(c.w, c.h, c.tl, c.tr, c.br, c.bl, c.dpi), c.expected.w, c.expected.h);
    EXPECT_EQ(got, c.expected) << c.what;
  }
  const Mask top(CornerRegion(300, 200, 8, 8, 0, 0), 300, 200);
  EXPECT_FALSE(top.at(0, 0));
  EXPECT_TRUE(top.at(0, 199) && top.at(299, 199));
}

TEST(WindowRegion, AlphaAboveTenIsOpaqueAndPicturesAreStretchedToTheirBox) {
  struct Case {
    int alpha;
    int64_t area;
  } cases[] = {{255, 16 * 16}, {0, 0}, {10, 0}, {11, 16 * 16}};
  for (const Case& c : cases) {
    const auto source = Pictures({{"a.png", Png(8, 8, [&](int, int) { return c.alpha; })}});
    const auto spans = TransparentRegion(R"({"images":[{"x":4,"y":2,"w":16,"h":16,"src":"a.png"}]})", source);
    ASSERT_TRUE(spans);
    EXPECT_EQ(Area(*spans), c.area) << c.alpha;
  }
  // The left half opaque, stretched three times: the left 12 columns of a 24 x 6 box.
  const auto half = Pictures({{"h.png", Png(8, 2, [](int x, int) { return x < 4 ? 255 : 0; })}});
  const Mask stretched = Region(R"({"images":[{"x":0,"y":0,"w":24,"h":6,"src":"h.png"}]})", half, 24, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 24; ++x) ASSERT_EQ(stretched.at(x, y), x < 12) << x << "," << y;
}

TEST(WindowRegion, NineSliceKeepsTheBorderAndStretchesTheHole) {
  // A 30 x 30 frame: a 10-pixel opaque border round a see-through centre.
  const auto frame = Pictures({{"f.png", Png(30, 30, [](int x, int y) {
                                  return x < 10 || y < 10 || x >= 20 || y >= 20 ? 255 : 0;
                                })}});
  // At dpr 2 the border is 20 device pixels wide; the hole fills the rest of the 100 x 80 box.
  const Mask m = Region(R"({"images":[{"x":0,"y":0,"w":100,"h":80,"src":"f.png","slice":"10","dpr":2}]})", frame, 100, 80);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) ASSERT_EQ(m.at(x, y), x < 20 || y < 20 || x >= 80 || y >= 60) << x << "," << y;
  // "bw" in pixels times dpr; "auto" is the slice.
  const Mask bw = Region(R"({"images":[{"x":0,"y":0,"w":100,"h":80,"src":"f.png","slice":"10 fill","bw":"5px","dpr":2}]})", frame, 100, 80);
  EXPECT_TRUE(bw.at(9, 40));
  EXPECT_FALSE(bw.at(10, 40));
  EXPECT_EQ(Region(R"({"images":[{"x":0,"y":0,"w":100,"h":80,"src":"f.png","slice":"10","bw":"auto","dpr":2}]})", frame, 100, 80), m);
}

TEST(WindowRegion, SliceAndWidthTexts) {
  using Four = std::array<double, 4>;
  struct Slice {
    const char* text;
    Four insets;
  } slices[] = {
      {"10", {10, 10, 10, 10}},       {"10 20", {10, 20, 10, 20}},      {"10 20 30", {10, 20, 30, 20}},
      {"10 20 30 40", {10, 20, 30, 40}}, {"25% fill", {50, 25, 50, 25}}, {"FILL 5", {5, 5, 5, 5}},
      {"", {0, 0, 0, 0}},             {"0 7", {0, 7, 0, 7}},
  };
  for (const Slice& s : slices) EXPECT_EQ(SliceInsets(s.text, 100, 200), s.insets) << s.text;
  const Four insets{10, 20, 10, 20};
  struct Width {
    const char* text;
    Four widths;
  } widths[] = {
      {"", {20, 40, 20, 40}}, {"auto", {20, 40, 20, 40}}, {"50%", {50, 100, 50, 100}}, {"8px 4px", {16, 8, 16, 8}},
  };
  for (const Width& w : widths) EXPECT_EQ(SliceWidths(w.text, insets, 200, 100, 2), w.widths) << w.text;
}

TEST(WindowRegion, InsetsLargerThanThePictureReadNothingOutsideIt) {
  const auto small = Pictures({{"s.png", Png(20, 20, [](int, int) { return 255; })}});
  for (const char* slice : {"100", "15 15 15 15", "-50", "1000% fill"}) {
    const std::string message = std::string(R"({"images":[{"x":0,"y":0,"w":64,"h":48,"src":"s.png","slice":")") + slice +
                                R"(","bw":"3 400 2 1","dpr":2}]})";
    const auto spans = TransparentRegion(message, small);
    ASSERT_TRUE(spans) << slice;
    for (const RegionRect& r : *spans) EXPECT_TRUE(r.x >= 0 && r.x + r.w <= 64 && r.y >= 0 && r.y + r.h <= 48) << slice;
  }
}

TEST(WindowRegion, PictureFormats) {
  const auto opaque = [](int, int) { return 0; };   // alpha bytes never written for pictures without alpha
  struct Case {
    const char* what;
    std::string bytes;
    int64_t area;   // of a 10 x 10 box; -1: not decoded, so the whole box
  } cases[] = {
      {"RGB PNG without alpha", Png(5, 5, opaque, false), 100},
      {"24-bit BMP", Bmp(5, 5, 24, opaque), 100},
      {"32-bit BMP with alpha", Bmp(10, 10, 32, [](int x, int) { return x < 5 ? 200 : 3; }), 50},
      {"32-bit BMP whose alpha is unused", Bmp(5, 5, 32, [](int, int) { return 0; }), 100},
      {"JPEG", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11), -1},
      {"a truncated PNG", Png(5, 5, opaque).substr(0, 40), -1},
      {"a BMP whose pixels are missing", Bmp(5, 5, 32, opaque).substr(0, 60), -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeAlphaImage(c.bytes).has_value(), c.area >= 0) << c.what;
    const auto spans = TransparentRegion(R"({"images":[{"x":0,"y":0,"w":10,"h":10,"src":"p"}]})", Pictures({{"p", c.bytes}}));
    EXPECT_EQ(Area(*spans), c.area < 0 ? 100 : c.area) << c.what;
  }
}

TEST(WindowRegion, MessagesThatAreNotJsonKeepTheShapeAndEmptyOnesHideEverything) {
  EXPECT_FALSE(TransparentRegion("not json", {}));
  EXPECT_FALSE(TransparentRegion("[1,2]", {}));
  EXPECT_EQ(Area(*TransparentRegion(R"({"rects":[],"images":[]})", {})), 0);
  EXPECT_EQ(Area(*TransparentRegion(R"({"rects":[{"x":5,"y":5,"w":0,"h":9}]})", {})), 0);
  // Fractions are cut toward zero; texts read as 0.
  EXPECT_EQ(*TransparentRegion(R"({"rects":[{"x":1.9,"y":"7","w":10.99,"h":2}]})", {}), (RegionSpans{{1, 0, 10, 2}}));
  // A picture nobody can supply is its whole box.
  EXPECT_EQ(*TransparentRegion(R"({"images":[{"x":3,"y":4,"w":5,"h":6,"src":"http://example.com/x.png"}]})", Pictures({})),
            (RegionSpans{{3, 4, 5, 6}}));
}

TEST(WindowRegion, PicturesComeFromTheLoadersOwnServerAddresses) {
  struct Case {
    const char* src;
    const char* path;
  } cases[] = {
      {"http://127.0.0.1:56789/img/logo.png", "img/logo.png"},
      {"http://127.0.0.1:56790/img/my%20pic.png?v=2", "img/my pic.png"},
      {"http://127.0.0.1:56789/../secret.png", ""},
      {"http://127.0.0.1:56789/%2E%2E/secret.png", ""},
      {"logo.png", "logo.png"},
      {"http://127.0.0.1:56789/C:/x.png", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(RegionImagePath(c.src), c.path) << c.src;

  const std::string png = Png(4, 4, [](int, int) { return 255; });
  LoaderResourceTable table;
  table.add("images/a b.png", png);
  const RegionImageSource source = LoaderRegionImages(&table, "/nonexistent-folder/");
  EXPECT_TRUE(source("http://127.0.0.1:56789/images/a%20b.png"));
  EXPECT_FALSE(source("http://127.0.0.1:56789/images/other.png"));
}

}  // namespace
