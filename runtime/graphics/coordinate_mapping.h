#pragma once
// Logical coordinates to pixels through an image's view and window settings,
// and back. Program thread only (the graphics statements).
//
// Rounding is to the nearest integer with ties to even. A rounded position is
// kept within far_pixel of the origin: anything farther lies outside every
// image (sides are at most 65,535 pixels) and clips the same way, and sums and
// differences of two such positions still fit in 32 bits. A coordinate that is
// not a number maps to no pixel at all.
#include <cmath>
#include <cstdint>

#include "runtime/screen/image_record.h"

constexpr int32_t far_pixel = 1 << 29;

// v rounded (ties to even) and pulled in to +-far_pixel; false when v is not a number.
inline bool round_pixel(double v, int32_t* out) {
  if (std::isnan(v)) return false;
  const double r = std::nearbyint(v);
  *out = r > far_pixel ? far_pixel : r < -far_pixel ? -far_pixel : static_cast<int32_t>(r);
  return true;
}

// Rounded half away from zero (add or subtract 0.5, drop the fraction), kept
// within +-far_pixel; not-a-number gives -far_pixel.
inline int32_t round_half_away(double v) {
  if (std::isnan(v)) return -far_pixel;
  const double r = std::trunc(v < 0 ? v - 0.5 : v + 0.5);
  return r > far_pixel ? far_pixel : r < -far_pixel ? -far_pixel : static_cast<int32_t>(r);
}

// The last graphics point becomes (x, y), or moves by (x, y) when relative.
inline void set_graphics_point(image_record* img, float x, float y, bool relative) {
  if (relative) {
    img->gfx_x += x;
    img->gfx_y += y;
  } else {
    img->gfx_x = x;
    img->gfx_y = y;
  }
}

// The pixel of a logical point (x, y); false when either coordinate maps to
// not-a-number. Scaling is done in single precision, as the fields are.
inline bool map_point(const image_record* img, float x, float y, int32_t* px, int32_t* py) {
  float sx = x, sy = y;
  int32_t ox = 0, oy = 0;
  if (img->coord_mode != 0) {
    ox = img->view_offset_x;
    oy = img->view_offset_y;
    if (img->coord_mode == 2) {
      sx = x * img->scale_x + img->scale_offset_x;
      sy = y * img->scale_y + img->scale_offset_y;
    }
  }
  if (!round_pixel(sx, px) || !round_pixel(sy, py)) return false;
  *px += ox;
  *py += oy;
  return true;
}

// The same mapping without the rounding, in double precision (CIRCLE's centre
// and radius, DRAW's pen).
inline double exact_pixel_x(const image_record* img, double x) {
  if (img->coord_mode == 0) return x;
  if (img->coord_mode == 2) return x * img->scale_x + img->scale_offset_x + img->view_offset_x;
  return x + img->view_offset_x;
}
inline double exact_pixel_y(const image_record* img, double y) {
  if (img->coord_mode == 0) return y;
  if (img->coord_mode == 2) return y * img->scale_y + img->scale_offset_y + img->view_offset_y;
  return y + img->view_offset_y;
}

// Unrounded pixel positions back to logical coordinates.
inline double logical_x(const image_record* img, double px) {
  if (img->coord_mode == 0) return px;
  if (img->coord_mode == 2) return (px - img->view_offset_x - img->scale_offset_x) / img->scale_x;
  return px - img->view_offset_x;
}
inline double logical_y(const image_record* img, double py) {
  if (img->coord_mode == 0) return py;
  if (img->coord_mode == 2) return (py - img->view_offset_y - img->scale_offset_y) / img->scale_y;
  return py - img->view_offset_y;
}

// The view port kept inside the image (VIEW only ever sets ports inside it;
// this holds the stores in bounds whatever the record says).
struct pixel_port {
  int32_t x1, y1, x2, y2;
};
inline pixel_port port_of(const image_record* img) {
  pixel_port p{img->view_x1, img->view_y1, img->view_x2, img->view_y2};
  if (p.x1 < 0) p.x1 = 0;
  if (p.y1 < 0) p.y1 = 0;
  if (p.x2 > img->width - 1) p.x2 = img->width - 1;
  if (p.y2 > img->height - 1) p.y2 = img->height - 1;
  return p;
}
inline bool in_port(const pixel_port& p, int32_t x, int32_t y) {
  return x >= p.x1 && x <= p.x2 && y >= p.y1 && y <= p.y2;
}
