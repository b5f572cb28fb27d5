// Where the device-preview window opens and how big: the design canvas's size limits and on-screen
// size, sent by the editor page as {minW, minH, maxW, maxH, w, h}, against the main window.
#pragma once
#include <string>

struct PreviewRequest {
  int min_width = 0, min_height = 0;
  int max_width = 8192, max_height = 8192;
  int width = 0, height = 0;   // 0: the main window's inner size
};

// Member by member: a minimum below 0 is 0; a maximum that is not positive is 8192; a size is taken
// only from 101 to 3999 (anything else, like an unmeasured canvas, falls back to the main window's
// inner size). Text that is not a JSON object keeps every start value.
PreviewRequest ParsePreviewRequest(const std::string& value);

struct PreviewGeometry {
  int x = 0, y = 0;             // outer position
  int width = 0, height = 0;    // inner size
  int min_width = 0, min_height = 0, max_width = 8192, max_height = 8192;
  bool taller_than_screen = false;
};

// The size is raised to the minimum, then lowered to the maximum (the maximum wins when the limits
// cross), and the window is centred on the main window (it may start above or left of it when it is
// larger). `screen_height`: the primary screen's height, 0 when unknown.
PreviewGeometry ComputePreviewGeometry(const PreviewRequest& request, int main_x, int main_y, int main_width,
                                       int main_height, int screen_height);

// "Preview 1024 x 768", with a mark when the window is taller than the screen.
std::string PreviewTitle(int width, int height, bool taller_than_screen);
