#pragma once
// The two triangles of a rectangle drawn from a source image: corner order,
// mapping to the window, and texture coordinates. No OpenGL here.
#include <cstdint>

#include "runtime/display/view_mapping.h"

struct rect_vertices {
  float xy[12];  // six vertices (x, y): (x1, y1), (x2, y1), (x1, y2), (x1, y2), (x2, y1), (x2, y2)
  float uv[12];  // their texture coordinates
};

// Destination (dx1, dy1)-(dx2, dy2) in any corner order, inclusive pixels; to
// the window (to_window) mapped through view, else image pixels. Source
// (sx1, sy1)-(sx2, sy2) in pixels of a texture tw x th; a source running the
// other way from its destination mirrors the picture.
rect_vertices rect_geometry(float dx1, float dy1, float dx2, float dy2, float sx1, float sy1, float sx2,
                            float sy2, int32_t tw, int32_t th, bool to_window, const view_mapping& view);
