// The screen picker's lens: where it goes beside the pointer (flipped near the right and bottom edges,
// never off the left or top edge), which corner the line to the pointer starts from, the area a frame
// repaints, and the colour text.
#include "rt/screen_pick.h"

#include <gtest/gtest.h>

TEST(Lens, SitsBesideThePointerAndFlipsOrClampsAtTheEdges) {
  struct Case {
    int mx, my, width, height;
    RtLensLayout want;
  };
  const Case cases[] = {
      // Room on both sides: 14 right of and below the pointer; the line starts at the lens's top-left.
      {100, 100, 1024, 768, {114, 114, 114, 114}},
      // Exactly 91 from the right and bottom edges still fits.
      {933, 677, 1024, 768, {947, 691, 947, 691}},
      // One more and the lens goes to the other side (91 back); the line starts at its far corner.
      {934, 678, 1024, 768, {843, 587, 920, 664}},
      // Flipped near the right edge only.
      {1000, 10, 1024, 768, {909, 24, 986, 24}},
      // A screen too small for either side: flipped, then clamped to 0.
      {50, 40, 100, 100, {0, 0, 77, 77}},
      // The pointer right of the clamped lens's centre: the line starts at its right edge.
      {39, 39, 60, 60, {0, 0, 77, 77}},
      {38, 38, 60, 60, {0, 0, 0, 0}},
      {0, 0, 1024, 768, {14, 14, 14, 14}},
  };
  for (const Case& c : cases) {
    const RtLensLayout got = rt_lens_layout(c.mx, c.my, c.width, c.height);
    EXPECT_EQ(got, c.want) << c.mx << "," << c.my << " on " << c.width << "x" << c.height << ": got " << got.x << ","
                           << got.y << " corner " << got.corner_x << "," << got.corner_y;
  }
}

TEST(Lens, AFrameRepaintsTheLensTheLineAndTheDotOnly) {
  const RtLensLayout lens = rt_lens_layout(100, 100, 1024, 768);
  const RtRect area = rt_lens_damage(100, 100, lens);
  // The dot around the pointer and the whole framed lens, with the frame's pen outside the lens.
  EXPECT_LE(area.x, 96);
  EXPECT_LE(area.y, 96);
  EXPECT_GE(area.x + area.width, lens.x + kLensSize + kLensFrameWidth);
  EXPECT_GE(area.y + area.height, lens.y + kLensSize + kLensFrameWidth);
  // And not much more: a 30 ms frame never repaints the screen.
  EXPECT_LT(area.width * area.height, 120 * 120);
  // Flipped: the area follows the lens to the other side.
  const RtLensLayout flipped = rt_lens_layout(1000, 700, 1024, 768);
  const RtRect far = rt_lens_damage(1000, 700, flipped);
  EXPECT_LE(far.x, flipped.x - kLensFrameWidth);
  EXPECT_GE(far.x + far.width, 1004);
  EXPECT_EQ(rt_rect_union({}, far), far);
  EXPECT_EQ(rt_rect_union({0, 0, 10, 10}, {20, 5, 10, 10}), (RtRect{0, 0, 30, 15}));
}

TEST(Lens, ColoursAreSixUpperCaseDigitsInRedGreenBlueOrder) {
  EXPECT_EQ(rt_rgb_hex(255, 0, 0), "FF0000");
  EXPECT_EQ(rt_rgb_hex(10, 11, 12), "0A0B0C");
  EXPECT_EQ(rt_rgb_hex(0, 0, 0), "000000");
  EXPECT_EQ(rt_rgb_hex(171, 205, 239), "ABCDEF");
}
