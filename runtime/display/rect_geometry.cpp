#include "runtime/display/rect_geometry.h"

#include <algorithm>
#include <utility>

namespace {
// Texture coordinates of a source span: the whole first and last pixels, over the texture's size.
std::pair<float, float> span(float a, float b, int32_t size) {
  const float lo = (std::min(a, b) + 0.01f) / static_cast<float>(size);
  const float hi = (std::max(a, b) + 0.99f) / static_cast<float>(size);
  return a <= b ? std::pair{lo, hi} : std::pair{hi, lo};
}
}  // namespace

rect_vertices rect_geometry(float dx1, float dy1, float dx2, float dy2, float sx1, float sy1, float sx2,
                            float sy2, int32_t tw, int32_t th, bool to_window, const view_mapping& view) {
  // Order the destination corners, taking the source coordinates along so that mirroring stays.
  if (dx1 > dx2) {
    std::swap(dx1, dx2);
    std::swap(sx1, sx2);
  }
  if (dy1 > dy2) {
    std::swap(dy1, dy2);
    std::swap(sy1, sy2);
  }
  float x1 = dx1, y1 = dy1, x2 = dx2 + 1, y2 = dy2 + 1;
  if (to_window) {
    const window_rect r = map_to_window(view, dx1, dy1, dx2, dy2);
    x1 = static_cast<float>(r.left);
    y1 = static_cast<float>(r.top);
    x2 = static_cast<float>(r.right + 1);
    y2 = static_cast<float>(r.bottom + 1);
  }
  const auto [u1, u2] = span(sx1, sx2, tw);
  const auto [v1, v2] = span(sy1, sy2, th);
  return rect_vertices{{x1, y1, x2, y1, x1, y2, x1, y2, x2, y1, x2, y2},
                       {u1, v1, u2, v1, u1, v2, u1, v2, u2, v1, u2, v2}};
}
