#include "runtime/display/view_mapping.h"

#include <cmath>

view_mapping current_view;

view_mapping compute_view(int32_t sw, int32_t sh, int32_t ww, int32_t wh, int32_t full_screen_mode,
                          int32_t full_screen_smooth, int32_t resize_mode) {
  view_mapping v;
  if (sw == ww && sh == wh) {
    v.x1 = sw - 1;
    v.y1 = sh - 1;
    return v;
  }
  const bool scaling = full_screen_mode >= 1 || resize_mode > 0;
  const bool keep_aspect = full_screen_mode == 2;
  v.smooth = full_screen_mode >= 1 ? full_screen_smooth != 0 : resize_mode == 2;
  const float wa = static_cast<float>(ww) / static_cast<float>(wh);
  const float sa = static_cast<float>(sw) / static_cast<float>(sh);
  if (!scaling) {
    v.x1 = sw - 1;
    v.y1 = sh - 1;
  } else if (keep_aspect && sa != wa) {
    if (sa < wa) {
      const int32_t dw = static_cast<int32_t>(static_cast<float>(wh) * sa);
      v.x0 = ww / 2 - dw / 2;
      v.x1 = v.x0 + dw - 1;
      v.y1 = wh - 1;
      v.letterbox = 1;
    } else {
      const int32_t dh = static_cast<int32_t>(static_cast<float>(ww) / sa);
      v.y0 = wh / 2 - dh / 2;
      v.y1 = v.y0 + dh - 1;
      v.x1 = ww - 1;
      v.letterbox = 2;
    }
  } else {
    v.x1 = ww - 1;
    v.y1 = wh - 1;
  }
  v.scale_x = static_cast<float>(v.x1 - v.x0 + 1) / static_cast<float>(sw);
  v.scale_y = static_cast<float>(v.y1 - v.y0 + 1) / static_cast<float>(sh);
  return v;
}

window_rect map_to_window(const view_mapping& v, float a, float b, float c, float d) {
  window_rect r;
  r.left = v.x0 + static_cast<int32_t>(a * v.scale_x);
  r.top = v.y0 + static_cast<int32_t>(b * v.scale_y);
  const int32_t width = static_cast<int32_t>((std::fabs(c - a) + 1) * v.scale_x + 0.99f);
  const int32_t height = static_cast<int32_t>((std::fabs(d - b) + 1) * v.scale_y + 0.99f);
  r.right = r.left + width - 1;
  r.bottom = r.top + height - 1;
  return r;
}
