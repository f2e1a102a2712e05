#include "runtime/graphics/graphics.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "runtime/core/core.h"
#include "runtime/graphics/detail/graphics_internals.h"
#include "runtime/screen/pixels.h"
#include "runtime/screen/screen.h"

namespace {

// Which edges of the port a point lies beyond.
int32_t outside_edges(const pixel_port& p, int64_t x, int64_t y) {
  return (x < p.x1 ? 1 : 0) | (x > p.x2 ? 2 : 0) | (y < p.y1 ? 4 : 0) | (y > p.y2 ? 8 : 0);
}

// Moves the end point p, outside the port, along the line towards q onto the
// port's edge. The four edges are tried in a fixed order and the first whose
// crossing (rounded, ties to even) lies on the edge segment wins; false when none does.
bool move_onto_port(const pixel_port& port, int64_t* px, int64_t* py, int64_t qx, int64_t qy) {
  const double dx = static_cast<double>(qx - *px), dy = static_cast<double>(qy - *py);
  const double sx = dx / std::fabs(dy);  // x per row; infinite for a horizontal line
  const double sy = dy / std::fabs(dx);  // y per column; infinite for a vertical line
  const double x = static_cast<double>(*px), y = static_cast<double>(*py);
  if (*px > port.x2 && sx < 0) {
    const double cy = std::nearbyint(y + (x - port.x2) * sy);
    if (cy >= port.y1 && cy <= port.y2) {
      *px = port.x2;
      *py = static_cast<int64_t>(cy);
      return true;
    }
  }
  if (*px < port.x1 && sx > 0) {
    const double cy = std::nearbyint(y + (port.x1 - x) * sy);
    if (cy >= port.y1 && cy <= port.y2) {
      *px = port.x1;
      *py = static_cast<int64_t>(cy);
      return true;
    }
  }
  if (*py < port.y1 && sy > 0) {
    const double cx = std::nearbyint(x + (port.y1 - y) * sx);
    if (cx >= port.x1 && cx <= port.x2) {
      *px = static_cast<int64_t>(cx);
      *py = port.y1;
      return true;
    }
  }
  if (*py > port.y2 && sy < 0) {
    const double cx = std::nearbyint(x + (y - port.y2) * sx);
    if (cx >= port.x1 && cx <= port.x2) {
      *px = static_cast<int64_t>(cx);
      *py = port.y2;
      return true;
    }
  }
  return false;
}

// Rounded half away from zero in single precision, as the line stepper keeps
// its following coordinate.
inline int32_t step_round(float f) { return static_cast<int32_t>(f < 0 ? f - 0.5f : f + 0.5f); }

// Steps from (x1, y1) to (x2, y2), both inside the port, one pixel per step
// along the longer axis (y on a tie). With a pattern, each pixel first rotates
// it left by one and is drawn when its lowest bit is then set. Returns the
// pixels stored.
template <bool styled, typename Writer>
int64_t step_line(const Writer w, size_t width, const pixel_port& port, int32_t x1, int32_t y1, int32_t x2,
                  int32_t y2, uint32_t pattern) {
  const int32_t dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
  const bool x_leads = dy < dx;
  const int32_t n = x_leads ? dx : dy;
  const int32_t follow_start = x_leads ? y1 : x1, follow_end = x_leads ? y2 : x2;
  // The following coordinate's bounds: a float that drifts over a long line never leaves the port.
  const int32_t low = x_leads ? port.y1 : port.x1, high = x_leads ? port.y2 : port.x2;
  const float follow_step = n ? static_cast<float>(follow_end - follow_start) / static_cast<float>(n) : 0.0f;
  // Pixel indexes: the leading coordinate's part moves by a fixed stride, the following one's is recomputed.
  const ptrdiff_t sign = (x_leads ? x2 > x1 : y2 > y1) ? 1 : -1;
  const ptrdiff_t lead_stride = x_leads ? sign : sign * static_cast<ptrdiff_t>(width);
  const ptrdiff_t follow_stride = x_leads ? static_cast<ptrdiff_t>(width) : 1;
  ptrdiff_t lead_at = x_leads ? x1 : static_cast<ptrdiff_t>(y1) * static_cast<ptrdiff_t>(width);
  float follow = static_cast<float>(follow_start);
  int64_t stored = 0;
  for (int32_t i = 0; i <= n; ++i, lead_at += lead_stride, follow += follow_step) {
    if constexpr (styled) {
      pattern = std::rotl(pattern, 1);
      if (!(pattern & 1)) continue;
    }
    const int32_t f = step_round(follow);
    if (f < low || f > high) continue;
    w.put(static_cast<size_t>(lead_at + f * follow_stride));
    ++stored;
  }
  return stored;
}

// A clipped line in one colour, with or without a pattern.
template <bool styled>
int64_t draw_clipped(image_record* img, const pixel_port& port, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                     uint32_t colour, uint32_t pattern) {
  return with_writer(img, colour, [&](auto writer) {
    return step_line<styled>(writer, img->width, port, x1, y1, x2, y2, pattern);
  });
}

}  // namespace

bool line_clip(const pixel_port& port, int32_t* ax, int32_t* ay, int32_t* bx, int32_t* by, int32_t* phase) {
  *phase = 0;
  int64_t x1 = *ax, y1 = *ay, x2 = *bx, y2 = *by;
  if (outside_edges(port, x1, y1)) {
    if ((x1 == x2 && y1 == y2) || (outside_edges(port, x1, y1) & outside_edges(port, x2, y2))) return false;
    const int64_t old_x = x1, old_y = y1;
    if (!move_onto_port(port, &x1, &y1, x2, y2)) return false;
    *phase = static_cast<int32_t>(std::max(std::abs(old_x - x1), std::abs(old_y - y1)) % 16);
  }
  if (outside_edges(port, x2, y2) && !move_onto_port(port, &x2, &y2, x1, y1)) return false;
  *ax = static_cast<int32_t>(x1);
  *ay = static_cast<int32_t>(y1);
  *bx = static_cast<int32_t>(x2);
  *by = static_cast<int32_t>(y2);
  return true;
}

void styled_line(image_record* img, float x1, float y1, float x2, float y2, uint32_t colour, uint32_t style) {
  int32_t ax, ay, bx, by, phase;
  if (!map_point(img, x1, y1, &ax, &ay) || !map_point(img, x2, y2, &bx, &by)) return;
  const pixel_port port = port_of(img);
  if (!line_clip(port, &ax, &ay, &bx, &by, &phase)) return;
  style &= 0xFFFF;
  const uint32_t pattern = std::rotl(style << 16 | style, phase);
  if (pattern == 0xFFFFFFFF)
    draw_clipped<false>(img, port, ax, ay, bx, by, colour, 0);
  else
    draw_clipped<true>(img, port, ax, ay, bx, by, colour, pattern);
}

int64_t pixel_line(image_record* img, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
  int32_t phase;
  const pixel_port port = port_of(img);
  if (!line_clip(port, &x1, &y1, &x2, &y2, &phase)) return 0;
  return draw_clipped<false>(img, port, x1, y1, x2, y2, colour, 0);
}

void point_set(float x, float y, uint32_t colour, int32_t flags) {
  image_record* img = graphics_statement_image();
  if (!img) return;
  set_graphics_point(img, x, y, flags & point_relative);
  if (!(flags & point_colour_given)) colour = img->colour;
  img->draw_colour = colour;
  int32_t px, py;
  if (!map_point(img, img->gfx_x, img->gfx_y, &px, &py)) return;
  // Plain pixel coordinates reach the whole image; logical ones stop at the view port.
  const pixel_port whole{0, 0, img->width - 1, img->height - 1};
  if (!in_port(img->coord_mode == coords_pixels ? whole : port_of(img), px, py)) return;
  pixel_store(img, px, py, colour);
  note_shared_write();
}

void point_reset(float x, float y, uint32_t colour, int32_t flags) {
  if (pending_error.load(std::memory_order_relaxed) || !write_image) return;
  if (!(flags & point_colour_given)) colour = write_image->background;
  point_set(x, y, colour, flags | point_colour_given);
}

void line_draw(float x1, float y1, float x2, float y2, uint32_t colour, int32_t kind, uint32_t style, int32_t flags) {
  image_record* img = graphics_statement_image();
  if (!img) return;
  if (flags & line_first_given) {
    if (flags & line_first_relative) {
      x1 += img->gfx_x;
      y1 += img->gfx_y;
    }
  } else {
    x1 = img->gfx_x;
    y1 = img->gfx_y;
  }
  if (flags & line_second_relative) {
    x2 += x1;
    y2 += y1;
  }
  img->gfx_x = x2;
  img->gfx_y = y2;
  if (!(flags & line_colour_given)) colour = img->colour;
  img->draw_colour = colour;
  if (!(flags & line_style_given)) style = 0xFFFF;
  const note_write_at_exit mark;
  switch (kind) {
    case line_kind_line:
      styled_line(img, x1, y1, x2, y2, colour, style);
      break;
    case line_kind_box:
      // Each side starts its own pattern; every corner belongs to two sides.
      styled_line(img, x1, y1, x2, y1, colour, style);
      styled_line(img, x2, y1, x2, y2, colour, style);
      styled_line(img, x2, y2, x1, y2, colour, style);
      styled_line(img, x1, y2, x1, y1, colour, style);
      break;
    case line_kind_filled_box:
      box_fill_on(img, x1, y1, x2, y2, colour, true);
      break;
    default:
      break;
  }
}
