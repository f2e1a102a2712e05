#include "runtime/graphics/graphics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

#include "runtime/core/core.h"
#include "runtime/graphics/detail/graphics_internals.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"

namespace {

constexpr double pi = std::numbers::pi;
constexpr double two_pi = 6.283185307179586;

struct arc {
  double start, end;
  bool wrapped;  // drawn through angle 0: angles up to start and from end on
  bool contains(double angle) const { return wrapped ? angle <= start || angle >= end : angle >= start && angle <= end; }
};

// Offsets from the centre, truncated towards zero after the half-pixel nudge,
// kept within 2^60 (far beyond any image).
constexpr double offset_limit = 1152921504606846976.0;
int64_t offset_x(double unit, double rx) {
  return static_cast<int64_t>(std::clamp(std::trunc(unit * rx + 0.5), -offset_limit, offset_limit));
}
int64_t offset_y(double unit, double ry) {
  return static_cast<int64_t>(std::clamp(std::trunc(unit * ry - 0.5), -offset_limit, offset_limit));
}

void radius_line(image_record* img, int64_t cx, int64_t cy, double angle, double rx, double ry, uint32_t colour) {
  pixel_line(img, static_cast<double>(cx), static_cast<double>(cy), static_cast<double>(cx + offset_x(std::cos(angle), rx)),
             static_cast<double>(cy - offset_y(std::sin(angle), ry)), colour);
}

// The centre's pixel: rounded half away from zero, kept within 2^60.
int64_t centre_pixel(double v) {
  return static_cast<int64_t>(std::clamp(std::trunc(v < 0 ? v - 0.5 : v + 0.5), -offset_limit, offset_limit));
}

// The four mirrored points of a first-quarter offset (dx >= 0, dy <= 0: up and
// right of the centre), in the quarters up-right, up-left, down-left and
// down-right (mask bits 1, 2, 4, 8), each drawn when its quarter is in the mask
// and its own angle lies in the arc.
struct quarter_angles {
  double a1, a2, a3, a4;
};
struct circle_plot {
  image_record* img;
  pixel_port port;
  int64_t cx, cy;
  arc shape;
  uint32_t colour;
  void one(int64_t x, int64_t y) const {
    if (x >= port.x1 && x <= port.x2 && y >= port.y1 && y <= port.y2)
      pixel_store(img, static_cast<int32_t>(x), static_cast<int32_t>(y), colour);
  }
  void mirrored(int64_t dx, int64_t dy, const quarter_angles& a, int32_t mask) const {
    if ((mask & 1) && shape.contains(a.a1)) one(cx + dx, cy + dy);
    if ((mask & 2) && shape.contains(a.a2)) one(cx - dx, cy + dy);
    if ((mask & 4) && shape.contains(a.a3)) one(cx - dx, cy - dy);
    if ((mask & 8) && shape.contains(a.a4)) one(cx + dx, cy - dy);
  }
};

// Steps first..last of a quarter of steps steps, plotting the quarters in
// mask. An offset within one pixel of the last plotted one only becomes
// pending; it is plotted (with the angles of the step that plots it) once the
// walk has moved two pixels away, so the outline has no doubled steps. The
// whole quarter turns a unit vector step by step; a part of one computes each
// step's vector afresh.
void walk_quarter(const circle_plot& plot, double rx, double ry, int64_t steps, int64_t first, int64_t last,
                  int32_t mask) {
  const double step = (pi / 2) / static_cast<double>(steps);
  const bool turning = first == 0 && last == steps;
  const double turn_cos = std::cos(step), turn_sin = std::sin(step);
  double u = 1, v = 0;
  const auto angles_at = [&](int64_t i) {
    const double a = static_cast<double>(i) * step;
    return quarter_angles{a, pi - a, pi + a, two_pi - a};
  };
  quarter_angles angles = angles_at(first);
  int64_t last_x = 0, last_y = 0, pending_x = 0, pending_y = 0;
  bool pending = false;
  for (int64_t i = first; i <= last; ++i) {
    if (turning) {
      if (i > 0) {
        const double nu = u * turn_cos + v * turn_sin;
        v = v * turn_cos - u * turn_sin;
        u = nu;
        angles.a1 += step;
        angles.a2 -= step;
        angles.a3 += step;
        angles.a4 -= step;
      }
    } else {
      const double a = static_cast<double>(i) * step;
      u = std::cos(a);
      v = -std::sin(a);
      angles = angles_at(i);
      if (((i - first) & 0xFFFF) == 0 && statement_stopping()) return;
    }
    const int64_t dx = offset_x(u, rx), dy = offset_y(v, ry);
    if (i == first) {
      plot.mirrored(dx, dy, angles, mask);
      last_x = dx;
      last_y = dy;
      continue;
    }
    if ((std::abs(dx - last_x) > 1 || std::abs(dy - last_y) > 1) && pending) {
      plot.mirrored(pending_x, pending_y, angles, mask);
      last_x = pending_x;
      last_y = pending_y;
    }
    pending_x = dx;
    pending_y = dy;
    pending = true;
  }
  if (pending) plot.mirrored(pending_x, pending_y, angles, mask);
}

// The angles (0 to pi/2 from the horizontal) at which a quarter's offset
// along one axis, unit * r with unit in 0..1 (cos for x, sin for y), lies
// within lo..hi: false when none does.
bool angles_within(double r, double lo, double hi, bool sine, double* from, double* to) {
  if (r < 1) {  // the offset stays within a pixel of the centre
    *from = 0;
    *to = pi / 2;
    return lo <= 1 && hi >= -1;
  }
  const double a = std::clamp(lo / r, 0.0, 1.0), b = std::clamp(hi / r, 0.0, 1.0);
  if (hi < 0 || lo > r || a > b) return false;
  if (sine) {
    *from = std::asin(a);
    *to = std::asin(b);
  } else {
    *from = std::acos(b);
    *to = std::acos(a);
  }
  return true;
}

// A circle too large to walk whole: each quarter walks only the steps whose
// points can fall inside the port (two pixels and two steps of margin).
void walk_visible(const circle_plot& plot, double rx, double ry, int64_t steps) {
  const double step = (pi / 2) / static_cast<double>(steps);
  const pixel_port& p = plot.port;
  const double left = static_cast<double>(p.x1 - 2 - plot.cx), right = static_cast<double>(p.x2 + 2 - plot.cx);
  const double top = static_cast<double>(p.y1 - 2 - plot.cy), bottom = static_cast<double>(p.y2 + 2 - plot.cy);
  for (int32_t q = 0; q < 4; ++q) {
    // Quarters 0 and 3 lie right of the centre, 0 and 1 above it.
    const bool right_side = q == 0 || q == 3, upper = q < 2;
    double x_from, x_to, y_from, y_to;
    if (!angles_within(rx, right_side ? left : -right, right_side ? right : -left, false, &x_from, &x_to)) continue;
    if (!angles_within(ry, upper ? -bottom : top, upper ? -top : bottom, true, &y_from, &y_to)) continue;
    const double from = std::max(x_from, y_from), to = std::min(x_to, y_to);
    if (from > to) continue;
    const double steps_d = static_cast<double>(steps);
    const int64_t first = static_cast<int64_t>(std::clamp(std::floor(from / step) - 2, 0.0, steps_d));
    const int64_t last = static_cast<int64_t>(std::clamp(std::ceil(to / step) + 2, 0.0, steps_d));
    walk_quarter(plot, rx, ry, steps, first, last, 1 << q);
  }
}

}  // namespace

double mode_aspect(int32_t mode) {
  switch (mode) {
    case 1:
    case 7:
    case 13:
      return 5.0 / 6.0;
    case 2:
    case 8:
      return 5.0 / 12.0;
    case 9:
    case 10:
      return 35.0 / 48.0;
    default:
      return 1.0;
  }
}

void circle_draw(double x, double y, double r, uint32_t colour, double start, double end, double aspect, int32_t flags) {
  image_record* img = graphics_statement_image();
  if (!img) return;
  if (!(flags & circle_start_given)) start = 0;
  if (!(flags & circle_end_given)) end = two_pi;
  bool start_line = start < 0, end_line = end < 0;
  start = std::fabs(start);
  end = std::fabs(end);
  if (!(start <= two_pi) || !(end <= two_pi)) {  // not-a-number is no angle either
    raise_error(err_illegal_function_call);
    return;
  }
  arc shape{start, end, false};
  if (start > end) {
    shape = {end, start, true};
    std::swap(start_line, end_line);
  }

  double cx = x, cy = y;
  if (flags & circle_relative) {
    cx += img->gfx_x;
    cy += img->gfx_y;
  }
  img->gfx_x = static_cast<float>(cx);
  img->gfx_y = static_cast<float>(cy);
  const double mx = exact_pixel_x(img, cx), my = exact_pixel_y(img, cy);
  const double radius = std::fabs(exact_pixel_x(img, cx + r) - mx);
  if (!std::isfinite(mx) || !std::isfinite(my) || !std::isfinite(radius)) return;
  double rx = radius, ry = radius;
  if (!(flags & circle_aspect_given)) aspect = mode_aspect(img->mode);
  if (aspect >= 0) {
    if (aspect < 1)
      ry *= aspect;
    else if (aspect > 1)
      rx /= aspect;
  } else if (aspect > -1) {
    ry *= aspect + 1;
  }
  if (mx + rx + 0.5 < img->view_x1 || my + ry + 0.5 < img->view_y1 || mx - rx - 0.5 > img->view_x2 ||
      my - ry - 0.5 > img->view_y2)
    return;
  if (!(flags & circle_colour_given)) colour = img->colour;
  img->draw_colour = colour;
  const note_write_at_exit mark;

  const int64_t px = centre_pixel(mx), py = centre_pixel(my);
  const double steps_d = std::floor(radius * two_pi / 4 + 0.5);
  if (steps_d == 0) {
    // Too small for one step of a quarter: the centre alone.
    circle_plot{img, port_of(img), px, py, shape, colour}.one(px, py);
    return;
  }
  // Past 2^52 steps a step no longer tells neighbouring pixels apart.
  const int64_t steps = static_cast<int64_t>(std::min(steps_d, 4503599627370496.0));
  if (start_line) radius_line(img, px, py, shape.start, rx, ry, colour);
  const circle_plot plot{img, port_of(img), px, py, shape, colour};
  if (radius <= circle_walk_whole)
    walk_quarter(plot, rx, ry, steps, 0, steps, 15);
  else
    walk_visible(plot, rx, ry, steps);
  if (end_line) radius_line(img, px, py, shape.end, rx, ry, colour);
}
