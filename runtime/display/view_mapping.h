#pragma once
// Where the emulated screen lands in the window: scaling, aspect and letterbox.
#include <cstdint>

struct view_mapping {
  int32_t x0 = 0, y0 = 0, x1 = 639, y1 = 399;  // view_rect in window pixels
  float scale_x = 1.0f, scale_y = 1.0f;
  int32_t letterbox = 0;  // 0 none, 1 bars left and right, 2 bars above and below
  bool smooth = false;
};

// The mapping for a screen of sw x sh in a window of ww x wh.
view_mapping compute_view(int32_t sw, int32_t sh, int32_t ww, int32_t wh, int32_t full_screen_mode,
                          int32_t full_screen_smooth, int32_t resize_mode);

struct window_rect {
  int32_t left, top, right, bottom;
};

// A screen-space rectangle (a, b)-(c, d) in window pixels.
window_rect map_to_window(const view_mapping& v, float a, float b, float c, float d);

// The mapping of the last render (window thread).
extern view_mapping current_view;
