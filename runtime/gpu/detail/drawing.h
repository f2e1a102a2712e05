#pragma once
// The pieces of drawing that need no OpenGL context, apart so that they can be
// checked without one: rectangle geometry, power-of-two padding and the order
// in which a texture is made. Window thread (and tests).
#include <cstdint>

#include "runtime/core/core.h"
#include "runtime/gpu/gpu.h"

// The two triangles of a rectangle drawn from a source image: corner order,
// mapping to the window, and texture coordinates. No OpenGL here.

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

// Copies a 32-bit picture into power-of-two dimensions before texture upload.

// width and height are >= 1 and are updated in place. Returns pixels unchanged
// when both are powers of two already; otherwise a scratch buffer kept between
// calls, where column `width` repeats the last column and row `height` the last row.
const uint32_t* pad_to_power_of_two(int32_t* width, int32_t* height, const uint32_t* pixels);

// The order in which a texture is made: at the image's own size; padded to
// powers of two (from the first failure of the former on, straight away);
// scaled by the mipmap builder as a last resort, with a notice when even that
// fails. The OpenGL calls are handed in, so the order is the same with or
// without a context.

struct texture_shape {
  texture_size size_mode;
  int32_t width, height;
};

// as_is(): true when the texture took the image as it is.
// padded(&w, &h): true when it took the padded image; w and h become its size.
// mipmaps(): 0 when the mipmap builder succeeded, else its status; then
// error_number() gives the error the notice shows.
template <typename AsIs, typename Padded, typename Mipmaps, typename ErrorNumber>
texture_shape upload_texture(int32_t width, int32_t height, bool& padding_needed, AsIs as_is, Padded padded,
                             Mipmaps mipmaps, ErrorNumber error_number) {
  if (!padding_needed) {
    if (as_is()) return {texture_exact, width, height};
    padding_needed = true;
  }
  int32_t w = width, h = height;
  if (padded(&w, &h)) return {texture_padded, w, h};
  if (mipmaps() != 0) {
    // The image stays usable: drawing it shows whatever the texture holds.
    alert("gluBuild2DMipmaps failed");
    alert_number(error_number());
  }
  return {texture_mipmapped, width, height};
}
