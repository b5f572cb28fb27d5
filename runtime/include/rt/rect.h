// A rectangle of pixels, shared by the runtime's window and screen operations.
#pragma once

struct RtRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
  bool operator==(const RtRect&) const = default;
};
