#include <algorithm>
#include <cmath>

#include "runtime/core/core.h"
#include "runtime/graphics/detail/graphics_internals.h"
#include "runtime/graphics/graphics.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"

namespace {

// Vertices are pixel corners: pixel (x, y) covers x .. x + 1, y .. y + 1, in
// source and destination alike, and is drawn when its centre lies inside.
// Destination vertices farther than this are pulled in, so that edge
// functions stay exact in 64 bits.
constexpr double vertex_limit = 268435456.0;  // 2^28

struct vertex {
  int64_t x, y;
};

// Twice the signed area of a, b, p: positive when p lies on the inner side of a -> b.
inline int64_t edge(const vertex& a, const vertex& b, int64_t px, int64_t py) {
  return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}

// A pixel exactly on an edge belongs to the triangle for one direction of the
// edge only, so two triangles sharing it (which run it opposite ways) never
// both draw it nor both leave it.
inline bool owns_edge(const vertex& a, const vertex& b) { return b.y > a.y || (b.y == a.y && b.x < a.x); }

uint32_t pixel_at(const image_record* img, int32_t x, int32_t y) {
  const size_t at = static_cast<size_t>(y) * img->width + static_cast<size_t>(x);
  if (img->bytes_per_pixel == 1) return shared_get(img->data[at]);
  return shared_get(reinterpret_cast<const uint32_t*>(img->data)[at]);
}

inline uint32_t mix(uint32_t a, uint32_t b, uint32_t f) {
  const uint32_t rb = ((a & 0x00FF00FF) * (256 - f) + (b & 0x00FF00FF) * f + 0x00800080) >> 8;
  const uint32_t ag = (((a >> 8) & 0x00FF00FF) * (256 - f) + ((b >> 8) & 0x00FF00FF) * f + 0x00800080) >> 8;
  return (rb & 0x00FF00FF) | (ag & 0x00FF00FF) << 8;
}

}  // namespace

void triangle_map(const float source_points[6], int64_t source, const float destination_points[6],
                  int64_t destination, int32_t flags) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  if (hardware_drawing(source, flags & map_source_given, destination, flags & map_destination_given,
                       flags & map_destination_layer)) {
    hardware_triangle_map(source_points, source, destination_points, destination, flags & ~map_depth, 0, 0);
    return;
  }
  image_record *src, *dst;
  if (!copy_images(source, flags & map_source_given, destination, flags & map_destination_given, &src, &dst))
    return;
  // Source points: source pixels, inside the source.
  double su[3], sv[3];
  for (int32_t k = 0; k < 3; ++k) {
    su[k] = source_points[2 * k];
    sv[k] = source_points[2 * k + 1];
    if (!(su[k] >= 0 && su[k] <= src->width && sv[k] >= 0 && sv[k] <= src->height)) {
      raise_error(err_illegal_function_call);
      return;
    }
  }
  vertex v[3];
  for (int32_t k = 0; k < 3; ++k) {
    double x, y;
    if (!map_point_wide(dst, destination_points[2 * k], destination_points[2 * k + 1], &x, &y)) return;
    // Doubled, so that pixel centres (x + 1/2, y + 1/2) are the odd integers.
    v[k] = {2 * static_cast<int64_t>(std::clamp(x, -vertex_limit, vertex_limit)),
            2 * static_cast<int64_t>(std::clamp(y, -vertex_limit, vertex_limit))};
  }
  int64_t area = edge(v[0], v[1], v[2].x, v[2].y);
  if (area == 0) return;
  if (area < 0) {  // one winding for all: the edge rule then splits shared edges fairly
    std::swap(v[1], v[2]);
    std::swap(su[1], su[2]);
    std::swap(sv[1], sv[2]);
    area = -area;
  }
  const int64_t x_from = std::max<int64_t>({0, std::min({v[0].x, v[1].x, v[2].x}) / 2 - 1});
  const int64_t x_to = std::min<int64_t>({dst->width - 1, std::max({v[0].x, v[1].x, v[2].x}) / 2});
  const int64_t y_from = std::max<int64_t>({0, std::min({v[0].y, v[1].y, v[2].y}) / 2 - 1});
  const int64_t y_to = std::min<int64_t>({dst->height - 1, std::max({v[0].y, v[1].y, v[2].y}) / 2});
  // Edge k runs opposite vertex k; its weight is vertex k's share.
  const vertex* from_of[3] = {&v[1], &v[2], &v[0]};
  const vertex* to_of[3] = {&v[2], &v[0], &v[1]};
  bool owned[3];
  for (int32_t k = 0; k < 3; ++k) owned[k] = owns_edge(*from_of[k], *to_of[k]);
  const bool smooth = (flags & map_smooth) && src->bytes_per_pixel == 4;
  const bool to_words = dst->bytes_per_pixel == 4, from_words = src->bytes_per_pixel == 4;
  const bool blend = to_words && !dst->blend_off;
  const double inverse_area = 1.0 / static_cast<double>(area);
  const note_write_at_exit mark;
  for (int64_t y = y_from; y <= y_to; ++y) {
    if (((y - y_from) & 63) == 0 && statement_stopping()) return;
    for (int64_t x = x_from; x <= x_to; ++x) {
      int64_t w[3];
      bool inside = true;
      for (int32_t k = 0; k < 3 && inside; ++k) {
        w[k] = edge(*from_of[k], *to_of[k], 2 * x + 1, 2 * y + 1);
        inside = w[k] > 0 || (w[k] == 0 && owned[k]);
      }
      if (!inside) continue;
      const double b0 = w[0] * inverse_area, b1 = w[1] * inverse_area, b2 = w[2] * inverse_area;
      // The source position in pixel-centre terms: pixel c covers c - 1/2 .. c + 1/2.
      const double u = std::clamp(b0 * su[0] + b1 * su[1] + b2 * su[2] - 0.5, 0.0, src->width - 1.0);
      const double t = std::clamp(b0 * sv[0] + b1 * sv[1] + b2 * sv[2] - 0.5, 0.0, src->height - 1.0);
      uint32_t value;
      if (smooth) {
        const int32_t c0 = static_cast<int32_t>(u), r0 = static_cast<int32_t>(t);
        const int32_t c1 = std::min(c0 + 1, src->width - 1), r1 = std::min(r0 + 1, src->height - 1);
        const uint32_t fx = static_cast<uint32_t>((u - c0) * 256 + 0.5), fy = static_cast<uint32_t>((t - r0) * 256 + 0.5);
        value = mix(mix(pixel_at(src, c0, r0), pixel_at(src, c1, r0), fx),
                    mix(pixel_at(src, c0, r1), pixel_at(src, c1, r1), fx), fy);
      } else {
        value = pixel_at(src, static_cast<int32_t>(u + 0.5), static_cast<int32_t>(t + 0.5));
      }
      const size_t at = static_cast<size_t>(y) * dst->width + static_cast<size_t>(x);
      store_sampled(dst, src, at, value, to_words, from_words, blend);
    }
  }
}

void triangle_map_depth(const float source_points[6], int64_t source, const float destination_points[9],
                        int64_t destination, int32_t flags, int32_t depth_mode, int32_t cull) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  hardware_triangle_map(source_points, source, destination_points, destination, flags | map_depth, depth_mode, cull);
}
