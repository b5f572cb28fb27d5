// The shapes of a borderless loader window, as lists of rectangles that the window system unites:
// the rounded corners of a window with its own title bar, and the see-through window of a transparent
// page, built from the boxes and pictures the page measured (a transparent_region message).
//
// A rounded corner keeps the pixels whose centres lie inside its circle. A picture's pixel counts as
// opaque when its alpha is above 10 (of 255); a picture without alpha is opaque throughout.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "payload.h"

struct RegionRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const RegionRect&) const = default;
};
using RegionSpans = std::vector<RegionRect>;

// The box (x, y, w, h) with each corner rounded to its radius (0 or less: square), every radius at most
// half the box's width and height. Added row by row to `out`.
void AddRoundedBox(RegionSpans& out, int x, int y, int w, int h, int top_left, int top_right, int bottom_right,
                   int bottom_left);

// The corner region of a window of inner size width x height (DPI-independent units) at `dpi`: when exactly
// one radius is above 0 all four take it; sizes and radii are scaled by dpi / 96 and rounded; a radius
// above half the smaller side is cut to it.
RegionSpans CornerRegion(int width, int height, int top_left, int top_right, int bottom_right, int bottom_left,
                         int dpi = 96);

// A decoded picture's alpha, row by row from the top.
struct AlphaImage {
  int width = 0, height = 0;
  std::vector<uint8_t> alpha;
};

// PNG (any colour type, through libpng) or BMP (24 and 32 bits; a 32-bit picture whose alpha bytes are all
// 0 keeps no alpha and counts as opaque); nullopt for anything else, or a picture above 16384 pixels a side.
std::optional<AlphaImage> DecodeAlphaImage(std::string_view bytes);

// A nine-slice picture's insets in picture pixels (top, right, bottom, left) from a CSS
// border-image-slice text: one to four numbers at single blanks ("fill" in any case ignored), a missing
// or 0 value taken from its partner (right from top, bottom from top, left from right); with "%" anywhere
// top and bottom are percentages of the picture's height, right and left of its width.
std::array<double, 4> SliceInsets(const std::string& slice, int image_width, int image_height);
// The drawn border widths in device pixels from a CSS border-image-width text read the same way: empty or
// "auto" gives the insets x dpr; with "%" percentages of the box's height (top, bottom) and width (right,
// left); otherwise the numbers x dpr.
std::array<double, 4> SliceWidths(const std::string& bw, const std::array<double, 4>& insets, int w, int h, double dpr);

// Finds the picture of an address the page loaded; nullopt when it cannot be had.
using RegionImageSource = std::function<std::optional<AlphaImage>(const std::string& src)>;

// The region of a transparent_region message: rects (r for equal corners, else rtl, rtr, rbr, rbl) and
// images (stretched, or nine-sliced by slice, bw and dpr), all in device pixels. nullopt when the text is
// not a JSON object: the window keeps its shape. A picture that cannot be had makes its whole box opaque.
std::optional<RegionSpans> TransparentRegion(std::string_view message, const RegionImageSource& images);

// The file path inside an image address on the loader's own server: what follows the first "/" from its
// 9th character on ("http://127.0.0.1:56789/img/a.png" -> "img/a.png"), percent escapes decoded; the
// address itself when it holds no such "/". "" for a path that would leave the program's folder.
std::string RegionImagePath(std::string_view src);

// The loader's picture source: the payload's resources first, then files beside the executable.
RegionImageSource LoaderRegionImages(const LoaderResourceTable* resources, std::string program_dir);
