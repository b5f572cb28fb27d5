// The screen picker's lens geometry and colour text (rt/screen_pick.h).
#include "rt/screen_pick.h"

#include <algorithm>

RtLensLayout rt_lens_layout(int mx, int my, int width, int height) {
  RtLensLayout lens;
  lens.x = mx + kLensFlip <= width ? mx + kLensOffset : mx - kLensFlip;
  lens.y = my + kLensFlip <= height ? my + kLensOffset : my - kLensFlip;
  lens.x = std::max(lens.x, 0);
  lens.y = std::max(lens.y, 0);
  lens.corner_x = mx > lens.x + kLensCentre ? lens.x + kLensSize : lens.x;
  lens.corner_y = my > lens.y + kLensCentre ? lens.y + kLensSize : lens.y;
  return lens;
}

RtRect rt_rect_union(const RtRect& a, const RtRect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  const int x1 = std::max(a.x + a.width, b.x + b.width), y1 = std::max(a.y + a.height, b.y + b.height);
  return {x0, y0, x1 - x0, y1 - y0};
}

RtRect rt_lens_damage(int mx, int my, const RtLensLayout& lens) {
  // The frame's pen is centred on the lens edge; the dot spans the pointer -3..+4.
  constexpr int kMargin = kLensFrameWidth + 1;
  const RtRect frame{lens.x - kMargin, lens.y - kMargin, kLensSize + 2 * kMargin, kLensSize + 2 * kMargin};
  const RtRect dot{mx - 4, my - 4, 9, 9};
  const int lx0 = std::min(mx, lens.corner_x), ly0 = std::min(my, lens.corner_y);
  const RtRect line{lx0 - 1, ly0 - 1, std::max(mx, lens.corner_x) - lx0 + 3, std::max(my, lens.corner_y) - ly0 + 3};
  return rt_rect_union(rt_rect_union(frame, dot), line);
}

std::string rt_rgb_hex(uint8_t red, uint8_t green, uint8_t blue) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (uint8_t c : {red, green, blue}) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}
