#pragma once
// What the graphics statements share with each other and with their tests: the
// image a statement draws on, the graphics point, the clipped pixel lines that
// CIRCLE and DRAW draw with, the mode's aspect, and the counted fill DRAW's P
// uses. Program thread only.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "runtime/core/core.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"

// The write image for a graphics statement, or null when the statement is to
// return at once: an error is pending, or the image is a text surface (which
// raises error 5 first).
inline image_record* graphics_statement_image() {
  if (error_report.pending.load(std::memory_order_relaxed)) return nullptr;
  image_record* img = write_image;
  if (!img) return nullptr;
  if (img->text) {
    raise_error(err_illegal_function_call);
    return nullptr;
  }
  return img->data ? img : nullptr;
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

// Rounded half away from zero (add or subtract 0.5, drop the fraction), kept
// within +-far_pixel; not-a-number gives -far_pixel.
inline int32_t round_half_away(double v) {
  if (std::isnan(v)) return -far_pixel;
  const double r = std::trunc(v < 0 ? v - 0.5 : v + 0.5);
  return r > far_pixel ? far_pixel : r < -far_pixel ? -far_pixel : static_cast<int32_t>(r);
}

// The pixel of a logical point as map_point finds it (single-precision
// scaling, ties to even), without pulling it in: a far end keeps the line's
// direction. False when a coordinate is not a number.
inline bool map_point_wide(const image_record* img, float x, float y, double* px, double* py) {
  const scaled_point s = scale_point(img, x, y);
  if (std::isnan(s.x) || std::isnan(s.y)) return false;
  *px = std::nearbyint(static_cast<double>(s.x)) + s.offset_x;
  *py = std::nearbyint(static_cast<double>(s.y)) + s.offset_y;
  return true;
}

// True once the program is to stop (close request, Ctrl+Break, a stop
// signal, END elsewhere): a long statement looks now and then and returns
// early, and the program thread parks at the event check after it.
inline bool statement_stopping() { return run_flags.shutdown_started.load(std::memory_order_relaxed) != 0; }

// Clips the pixel line from a to b to the port. False when nothing of it is
// visible; otherwise a and b are the visible ends and phase (0-15) counts the
// pattern steps the clipped-away start would have taken.
bool line_clip(const pixel_port& port, int32_t* ax, int32_t* ay, int32_t* bx, int32_t* by, int32_t* phase);

// The same for ends in unrounded pixels at any distance: they are rounded
// (ties to even) and cut to the port along the line itself, so a far end
// never bends the visible part. out holds the visible ends x1, y1, x2, y2.
bool line_clip_exact(const pixel_port& port, double ax, double ay, double bx, double by, int32_t out[4],
                     int32_t* phase);

// A line between two logical points drawn with a 16-bit style (highest bit first).
void styled_line(image_record* img, float x1, float y1, float x2, float y2, uint32_t colour, uint32_t style);

// A solid line between two pixel positions (rounded ties to even, at any
// distance), clipped to the view port. Returns the number of pixels it stored.
int64_t pixel_line(image_record* img, double x1, double y1, double x2, double y2, uint32_t colour);

// The default aspect of a screen mode (width over height of one pixel's share).
double mode_aspect(int32_t mode);

// paint_fill returning the number of pixels examined (DRAW's P counts its work by it).
int64_t paint_fill_counted(float x, float y, uint32_t fill, uint32_t border, int32_t flags);

// Row runs PAINT's waiting list holds before its array first grows, and its
// capacity now (tests watch it grow past the first).
constexpr size_t fill_front_start = 65536;
size_t fill_front_capacity();

// Stores value, a pixel sampled from src, at pixel offset at of dst: the index
// masked into an indexed destination (to_words false); into 32 bits through
// src's palette when src is indexed (from_words false), blended as PSET
// blends when blend is set (alpha 0 keeps, 0xFF replaces).
inline void store_sampled(image_record* dst, const image_record* src, size_t at, uint32_t value, bool to_words,
                          bool from_words, bool blend) {
  if (!to_words) {
    shared_put(dst->data + at, static_cast<uint8_t>(value & dst->mask));
    return;
  }
  if (!from_words) value = palette_get(src->palette, static_cast<int32_t>(value & 0xFF));
  uint32_t* p = reinterpret_cast<uint32_t*>(dst->data) + at;
  const uint32_t a = value >> 24;
  if (!blend || a == 0xFF)
    shared_put(p, value);
  else if (a != 0)
    shared_put(p, graphics_blend(shared_get(*p), value));
}

// The images of an image copy or a triangle map: the given source (else the
// read image) and the given destination (else the write image). False, with
// error 5 raised, for a hardware handle (drawn on the GPU), an image without
// pixels to draw on, or a 32-bit source into an indexed destination; false
// with the resolver's error for a handle that names nothing.
bool copy_images(int64_t source, bool source_given, int64_t destination, bool destination_given,
                 image_record** src, image_record** dst);

// True when an image copy or triangle map is drawn on the GPU: a hardware
// source or destination, or a hardware layer as destination.
bool hardware_drawing(int64_t source, bool source_given, int64_t destination, bool destination_given, bool layer);
void hardware_image_copy(float dx1, float dy1, float dx2, float dy2, int64_t source, int64_t destination,
                         float sx1, float sy1, float sx2, float sy2, int32_t flags);
// destination_points: x, y per point (6 values), or x, y, z with map_depth (9).
void hardware_triangle_map(const float source_points[6], int64_t source, const float* destination_points,
                           int64_t destination, int32_t flags, int32_t depth_mode, int32_t cull);
