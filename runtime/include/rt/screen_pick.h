// Picking the colour of any pixel on the screen: a frozen capture of the whole screen shown in a
// borderless window over it, with a magnifying lens that follows the pointer. A left click picks the
// pixel under the pointer from the capture; Esc or a right click cancels.
// The lens geometry and the colour text are plain functions (tested without a display); the window
// lives in runtime/gtk/screen_pick.cpp.
#pragma once
#include <cstdint>
#include <string>

#include "rt/rect.h"

// The lens: the 7 x 7 pixels around the pointer shown 11 times larger, 14 pixels beside the pointer,
// on the other side when it would leave the screen.
inline constexpr int kLensSourceSize = 7;
inline constexpr int kLensZoom = 11;
inline constexpr int kLensSize = kLensSourceSize * kLensZoom;   // 77
inline constexpr int kLensOffset = 14;
inline constexpr int kLensFlip = kLensSize + kLensOffset;       // 91
inline constexpr int kLensCentre = 38;
inline constexpr int kLensCrossFrom = 34;
inline constexpr int kLensCrossTo = 43;
inline constexpr int kLensFrameWidth = 2;
inline constexpr int kPickFrameMs = 30;

struct RtLensLayout {
  int x = 0, y = 0;                 // the lens's top-left corner
  int corner_x = 0, corner_y = 0;   // the lens corner the line to the pointer starts from
  bool operator==(const RtLensLayout&) const = default;
};

// Where the lens goes for the pointer at (mx, my) on a screen of width x height pixels.
RtLensLayout rt_lens_layout(int mx, int my, int width, int height);

// What a frame with the pointer at (mx, my) draws over the capture: the lens with its frame, the line
// to the pointer and the dot on it, with a pixel of margin for anti-aliasing. The next frame redraws
// this area and its own, and nothing else.
RtRect rt_lens_damage(int mx, int my, const RtLensLayout& lens);

// The smallest rectangle holding both.
RtRect rt_rect_union(const RtRect& a, const RtRect& b);

// "RRGGBB", two upper-case hexadecimal digits per channel.
std::string rt_rgb_hex(uint8_t red, uint8_t green, uint8_t blue);

enum class RtScreenPick {
  kPicked,       // hex holds the colour
  kCancelled,    // Esc, a right click, or the grab was taken away
  kUnavailable,  // no X11 display, or the screen could not be captured or grabbed
};

// Runs the pick in a nested main loop and returns when it ends; the pointer's cursor and grab are
// given back before it returns. `why` says what was missing when the pick is unavailable.
RtScreenPick rt_screen_pick_color(std::string& hex, std::string& why);
