#include "runtime/graphics/graphics.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "runtime/core/core.h"
#include "runtime/graphics/detail/graphics_internals.h"
#include "runtime/image/pixels.h"
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

// Ends within this distance of the origin are integers the clip takes as
// they are; farther ones are first cut in floating point.
constexpr double near_limit = 1099511627776.0;  // 2^40
constexpr double wide_limit = 1152921504606846976.0;  // 2^60

// The clip on 64-bit ends (each within wide_limit).
bool clip_wide(const pixel_port& port, int64_t* x1, int64_t* y1, int64_t* x2, int64_t* y2, int32_t* phase) {
  *phase = 0;
  if (outside_edges(port, *x1, *y1)) {
    if ((*x1 == *x2 && *y1 == *y2) || (outside_edges(port, *x1, *y1) & outside_edges(port, *x2, *y2))) return false;
    const int64_t old_x = *x1, old_y = *y1;
    if (!move_onto_port(port, x1, y1, *x2, *y2)) return false;
    *phase = static_cast<int32_t>(std::max(std::abs(old_x - *x1), std::abs(old_y - *y1)) % 16);
  }
  return !outside_edges(port, *x2, *y2) || move_onto_port(port, x2, y2, *x1, *y1);
}

// Moves the end p of the line towards q onto the box x1, y1, x2, y2 when it
// lies outside, edge by edge in floating point; a line along an axis keeps
// its other coordinate exactly. False when the line misses the box.
bool cut_to_box(const double box[4], double* px, double* py, double qx, double qy) {
  const auto code = [&](double x, double y) {
    return (x < box[0] ? 1 : 0) | (x > box[2] ? 2 : 0) | (y < box[1] ? 4 : 0) | (y > box[3] ? 8 : 0);
  };
  for (int32_t tries = 0; tries < 4; ++tries) {
    const int32_t at = code(*px, *py);
    if (!at) return true;
    if (at & code(qx, qy)) return false;
    // The crossing is measured from whichever end lies nearer the edge, so
    // no two huge numbers cancel.
    const auto cross = [](double edge, double a, double b, double other_a, double other_b) {
      return std::fabs(edge - b) < std::fabs(edge - a) ? other_b + (other_a - other_b) * ((edge - b) / (a - b))
                                                         : other_a + (other_b - other_a) * ((edge - a) / (b - a));
    };
    if (at & 3) {
      const double edge = at & 1 ? box[0] : box[2];
      *py = cross(edge, *px, qx, *py, qy);
      *px = edge;
    } else {
      const double edge = at & 4 ? box[1] : box[3];
      *px = cross(edge, *py, qy, *px, qx);
      *py = edge;
    }
  }
  return !code(*px, *py);
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
  int64_t x1 = *ax, y1 = *ay, x2 = *bx, y2 = *by;
  if (!clip_wide(port, &x1, &y1, &x2, &y2, phase)) return false;
  *ax = static_cast<int32_t>(x1);
  *ay = static_cast<int32_t>(y1);
  *bx = static_cast<int32_t>(x2);
  *by = static_cast<int32_t>(y2);
  return true;
}

bool line_clip_exact(const pixel_port& port, double ax, double ay, double bx, double by, int32_t out[4],
                     int32_t* phase) {
  if (std::isnan(ax) || std::isnan(ay) || std::isnan(bx) || std::isnan(by)) return false;
  // An infinite end has no direction to keep: it is pulled in axis by axis.
  const auto finite = [](double v) { return std::isinf(v) ? std::copysign(wide_limit, v) : v; };
  ax = finite(std::nearbyint(ax));
  ay = finite(std::nearbyint(ay));
  bx = finite(std::nearbyint(bx));
  by = finite(std::nearbyint(by));
  const double start_x = ax, start_y = ay;
  // Ends farther than near_limit are first cut, in floating point along the
  // line itself, to a box that far around the port; the rest is integer work.
  const double far = std::max({std::fabs(ax), std::fabs(ay), std::fabs(bx), std::fabs(by)});
  if (far > near_limit) {
    const double box[4] = {port.x1 - near_limit / 2, port.y1 - near_limit / 2, port.x2 + near_limit / 2,
                           port.y2 + near_limit / 2};
    if (!cut_to_box(box, &ax, &ay, bx, by) || !cut_to_box(box, &bx, &by, ax, ay)) return false;
    ax = std::nearbyint(ax);
    ay = std::nearbyint(ay);
    bx = std::nearbyint(bx);
    by = std::nearbyint(by);
  }
  int64_t x1 = static_cast<int64_t>(ax), y1 = static_cast<int64_t>(ay);
  int64_t x2 = static_cast<int64_t>(bx), y2 = static_cast<int64_t>(by);
  if (!clip_wide(port, &x1, &y1, &x2, &y2, phase)) return false;
  // The style's phase counts the steps from the line's own start.
  const double skipped = std::max(std::fabs(start_x - static_cast<double>(x1)), std::fabs(start_y - static_cast<double>(y1)));
  *phase = static_cast<int32_t>(std::fmod(skipped, 16.0));
  out[0] = static_cast<int32_t>(x1);
  out[1] = static_cast<int32_t>(y1);
  out[2] = static_cast<int32_t>(x2);
  out[3] = static_cast<int32_t>(y2);
  return true;
}

void styled_line(image_record* img, float x1, float y1, float x2, float y2, uint32_t colour, uint32_t style) {
  double ex1, ey1, ex2, ey2;
  if (!map_point_wide(img, x1, y1, &ex1, &ey1) || !map_point_wide(img, x2, y2, &ex2, &ey2)) return;
  const pixel_port port = port_of(img);
  int32_t end[4], phase;
  if (!line_clip_exact(port, ex1, ey1, ex2, ey2, end, &phase)) return;
  const int32_t ax = end[0], ay = end[1], bx = end[2], by = end[3];
  style &= 0xFFFF;
  const uint32_t pattern = std::rotl(style << 16 | style, phase);
  if (pattern == 0xFFFFFFFF)
    draw_clipped<false>(img, port, ax, ay, bx, by, colour, 0);
  else
    draw_clipped<true>(img, port, ax, ay, bx, by, colour, pattern);
}

int64_t pixel_line(image_record* img, double x1, double y1, double x2, double y2, uint32_t colour) {
  int32_t end[4], phase;
  const pixel_port port = port_of(img);
  if (!line_clip_exact(port, x1, y1, x2, y2, end, &phase)) return 0;
  return draw_clipped<false>(img, port, end[0], end[1], end[2], end[3], colour, 0);
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
  if (error_report.pending.load(std::memory_order_relaxed) || !write_image) return;
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
