#include "runtime/graphics/graphics.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "runtime/core/core.h"
#include "runtime/graphics/detail/graphics_internals.h"
#include "runtime/screen/pixels.h"
#include "runtime/screen/screen.h"

namespace {

constexpr double pi = std::numbers::pi;
constexpr double two_pi = 6.283185307179586;

struct arc {
  double start, end;
  bool wrapped;  // drawn through angle 0: angles up to start and from end on
  bool contains(double angle) const { return wrapped ? angle <= start || angle >= end : angle >= start && angle <= end; }
};

// Offsets from the centre, truncated towards zero after the half-pixel nudge.
int32_t offset_x(double unit, double rx) { return static_cast<int32_t>(std::trunc(unit * rx + 0.5)); }
int32_t offset_y(double unit, double ry) { return static_cast<int32_t>(std::trunc(unit * ry - 0.5)); }

void radius_line(image_record* img, int32_t cx, int32_t cy, double angle, double rx, double ry, uint32_t colour) {
  pixel_line(img, cx, cy, cx + offset_x(std::cos(angle), rx), cy - offset_y(std::sin(angle), ry), colour);
}

// The four mirrored points of a first-quarter offset, each drawn when its own
// angle lies in the arc.
struct quarter_angles {
  double a1, a2, a3, a4;
};
void plot_mirrored(image_record* img, int32_t cx, int32_t cy, int32_t dx, int32_t dy, const quarter_angles& a,
                   const arc& shape, uint32_t colour) {
  if (shape.contains(a.a1)) pixel_store_clipped(img, cx + dx, cy + dy, colour);
  if (shape.contains(a.a2)) pixel_store_clipped(img, cx - dx, cy + dy, colour);
  if (shape.contains(a.a3)) pixel_store_clipped(img, cx - dx, cy - dy, colour);
  if (shape.contains(a.a4)) pixel_store_clipped(img, cx + dx, cy - dy, colour);
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
  if (!std::isfinite(mx) || !std::isfinite(my) || !(radius <= circle_radius_max)) return;
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

  const int32_t px = round_half_away(mx), py = round_half_away(my);
  const int32_t steps = static_cast<int32_t>(radius * two_pi / 4 + 0.5);
  if (steps == 0) {
    // Too small for one step of a quarter: the centre alone.
    pixel_store_clipped(img, px, py, colour);
    return;
  }
  const double step = (pi / 2) / steps;
  if (start_line) radius_line(img, px, py, shape.start, rx, ry, colour);

  // The first quarter, mirrored into the other three. An offset within one
  // pixel of the last plotted one only becomes pending; it is plotted once the
  // walk has moved two pixels away, so the outline has no doubled steps.
  const double turn_cos = std::cos(step), turn_sin = std::sin(step);
  double u = 1, v = 0;
  quarter_angles angles{0, pi, pi, two_pi};
  int32_t last_x = 0, last_y = 0, pending_x = 0, pending_y = 0;
  bool pending = false;
  for (int32_t i = 0; i <= steps; ++i) {
    if (i > 0) {
      const double nu = u * turn_cos + v * turn_sin;
      v = v * turn_cos - u * turn_sin;
      u = nu;
      angles.a1 += step;
      angles.a2 -= step;
      angles.a3 += step;
      angles.a4 -= step;
    }
    const int32_t dx = offset_x(u, rx), dy = offset_y(v, ry);
    if (i == 0) {
      plot_mirrored(img, px, py, dx, dy, angles, shape, colour);
      last_x = dx;
      last_y = dy;
      continue;
    }
    if (std::abs(dx - last_x) > 1 || std::abs(dy - last_y) > 1) {
      if (pending) {
        plot_mirrored(img, px, py, pending_x, pending_y, angles, shape, colour);
        last_x = pending_x;
        last_y = pending_y;
      }
    }
    pending_x = dx;
    pending_y = dy;
    pending = true;
  }
  if (pending) plot_mirrored(img, px, py, pending_x, pending_y, angles, shape, colour);
  if (end_line) radius_line(img, px, py, shape.end, rx, ry, colour);
}
