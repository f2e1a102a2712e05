#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/graphics/detail/graphics_internals.h"
#include "runtime/graphics/graphics.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"

namespace {

// Destination corners farther than this are pulled in (far beyond any image,
// and products with a source side still fit 128 bits many times over).
constexpr double corner_limit = 1152921504606846976.0;  // 2^60

uint32_t pixel_at(const image_record* img, size_t at) {
  if (img->bytes_per_pixel == 1) return shared_get(img->data[at]);
  return shared_get(reinterpret_cast<const uint32_t*>(img->data)[at]);
}

// The source rectangle, in the source's pixels, inclusive, and whether it was
// given right-to-left or bottom-to-top.
struct source_rect {
  int32_t x1, y1, x2, y2;
  bool flip_x, flip_y;
};

// Source pixel for destination offset i of n along a side of m source pixels:
// the source pixel under the destination pixel's centre.
inline int32_t nearest(int64_t i, int64_t n, int32_t m) {
  return static_cast<int32_t>((static_cast<__int128>(2 * i + 1) * m) / (static_cast<__int128>(2) * n));
}

// Channels of two 32-bit pixels mixed by f (0..256), rounded to nearest.
inline uint32_t mix(uint32_t a, uint32_t b, uint32_t f) {
  const uint32_t rb = ((a & 0x00FF00FF) * (256 - f) + (b & 0x00FF00FF) * f + 0x00800080) >> 8;
  const uint32_t ag = (((a >> 8) & 0x00FF00FF) * (256 - f) + ((b >> 8) & 0x00FF00FF) * f + 0x00800080) >> 8;
  return (rb & 0x00FF00FF) | (ag & 0x00FF00FF) << 8;
}

// n 32-bit pixels of from stored over to as the pixel store does with
// blending on: opaque ones as they are, alpha 0 not at all, the rest mixed.
void blend_row(uint32_t* to, const uint32_t* from, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t value = from[i], a = value >> 24;
    if (a == 0xFF)
      shared_put(to + i, value);
    else if (a != 0)
      shared_put(to + i, graphics_blend(shared_get(to[i]), value));
  }
}

}  // namespace

bool copy_images(int64_t source, bool source_given, int64_t destination, bool destination_given,
                 image_record** src, image_record** dst) {
  if ((source_given && is_hardware_handle(source)) || (destination_given && is_hardware_handle(destination))) {
    raise_error(err_illegal_function_call);  // hardware images are drawn on the GPU, not here
    return false;
  }
  const int32_t src_index = source_given ? resolve_image(source) : read_index;
  if (!src_index) return false;
  const int32_t dst_index = resolve_target(destination, destination_given);
  if (!dst_index || error_report.pending.load(std::memory_order_relaxed)) return false;
  *src = image_at(src_index);
  *dst = image_at(dst_index);
  if (!drawable(*src) || !drawable(*dst) || ((*src)->bytes_per_pixel == 4 && (*dst)->bytes_per_pixel == 1)) {
    raise_error(err_illegal_function_call);
    return false;
  }
  return true;
}

void image_copy(float dx1, float dy1, float dx2, float dy2, int64_t source, int64_t destination, float sx1,
                float sy1, float sx2, float sy2, int32_t flags) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  if (hardware_drawing(source, flags & copy_source_given, destination, flags & copy_destination_given,
                       flags & copy_destination_layer)) {
    hardware_image_copy(dx1, dy1, dx2, dy2, source, destination, sx1, sy1, sx2, sy2, flags);
    return;
  }
  image_record *src, *dst;
  if (!copy_images(source, flags & copy_source_given, destination, flags & copy_destination_given, &src, &dst))
    return;

  // The source rectangle: the whole source, or two corners inside it.
  source_rect s{0, 0, src->width - 1, src->height - 1, false, false};
  if (flags & copy_source_corners_given) {
    if (flags & copy_source_second_relative) {
      sx2 += sx1;
      sy2 += sy1;
    }
    const pixel_port whole{0, 0, src->width - 1, src->height - 1};
    int32_t ax, ay, bx, by;
    if (!map_point(src, sx1, sy1, &ax, &ay) || !map_point(src, sx2, sy2, &bx, &by) || !in_port(whole, ax, ay) ||
        !in_port(whole, bx, by)) {
      raise_error(err_illegal_function_call);
      return;
    }
    s = {std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by), ax > bx, ay > by};
  }
  const int32_t sw = s.x2 - s.x1 + 1, sh = s.y2 - s.y1 + 1;

  // The destination rectangle, in the destination's pixels at any distance.
  double ax = 0, ay = 0, bx, by;
  if (flags & copy_destination_first_given) {
    if (flags & copy_destination_first_relative) {
      dx1 += dst->gfx_x;
      dy1 += dst->gfx_y;
    }
    if (!map_point_wide(dst, dx1, dy1, &ax, &ay)) return;  // not a number: nothing to draw on
  }
  if (flags & copy_destination_second_given) {
    if (flags & copy_destination_second_relative) {
      dx2 += dx1;
      dy2 += dy1;
    }
    if (!map_point_wide(dst, dx2, dy2, &bx, &by)) return;
    dst->gfx_x = dx2;
    dst->gfx_y = dy2;
  } else {
    ax = std::clamp(ax, -corner_limit, corner_limit);
    ay = std::clamp(ay, -corner_limit, corner_limit);
    bx = ax + sw - 1;
    by = ay + sh - 1;
  }
  ax = std::clamp(ax, -corner_limit, corner_limit);
  ay = std::clamp(ay, -corner_limit, corner_limit);
  bx = std::clamp(bx, -corner_limit, corner_limit);
  by = std::clamp(by, -corner_limit, corner_limit);
  const bool flip_x = (ax > bx) != s.flip_x, flip_y = (ay > by) != s.flip_y;
  const int64_t left = static_cast<int64_t>(std::min(ax, bx)), top = static_cast<int64_t>(std::min(ay, by));
  const int64_t dw = static_cast<int64_t>(std::max(ax, bx)) - left + 1;
  const int64_t dh = static_cast<int64_t>(std::max(ay, by)) - top + 1;
  // The part inside the destination image.
  const int64_t x_from = std::max<int64_t>(left, 0), x_to = std::min<int64_t>(left + dw - 1, dst->width - 1);
  const int64_t y_from = std::max<int64_t>(top, 0), y_to = std::min<int64_t>(top + dh - 1, dst->height - 1);
  if (x_from > x_to || y_from > y_to) return;

  // Copying an image onto itself reads from a copy of the source rectangle.
  std::vector<uint32_t> held;
  const auto source_pixel = [&](int32_t x, int32_t y) {  // x, y within the source rectangle
    if (!held.empty()) return held[static_cast<size_t>(y) * sw + x];
    return pixel_at(src, static_cast<size_t>(s.y1 + y) * src->width + static_cast<size_t>(s.x1 + x));
  };
  if (src == dst) {
    std::vector<uint32_t> rows(static_cast<size_t>(sw) * sh);
    for (int32_t y = 0; y < sh; ++y)
      for (int32_t x = 0; x < sw; ++x) rows[static_cast<size_t>(y) * sw + x] = source_pixel(x, y);
    held = std::move(rows);
  }

  const int32_t out_w = static_cast<int32_t>(x_to - x_from + 1);
  std::vector<int32_t> columns(static_cast<size_t>(out_w));
  for (int32_t i = 0; i < out_w; ++i) {
    const int32_t j = nearest(x_from + i - left, dw, sw);
    columns[i] = flip_x ? sw - 1 - j : j;
  }
  const bool smooth = (flags & copy_smooth) && src->bytes_per_pixel == 4;
  const bool to_words = dst->bytes_per_pixel == 4, from_words = src->bytes_per_pixel == 4;
  const bool blend = to_words && !dst->blend_off;
  const note_write_at_exit mark;
  const auto source_row = [&](int32_t row) {
    return src->data + (static_cast<size_t>(s.y1 + row) * src->width + static_cast<size_t>(s.x1)) * src->bytes_per_pixel;
  };
  const auto row_of = [&](int64_t y) {
    const int32_t jy = nearest(y - top, dh, sh);
    return flip_y ? sh - 1 - jy : jy;
  };
  // Same kind, same width, not mirrored across: whole rows at a time.
  const bool rows_as_they_are = !smooth && held.empty() && !flip_x && dw == sw &&
                                (to_words ? from_words && !blend : !from_words && (src->mask & ~dst->mask) == 0);
  if (rows_as_they_are) {
    const size_t bpp = dst->bytes_per_pixel, skip = static_cast<size_t>(x_from - left) * bpp;
    const size_t bytes = static_cast<size_t>(out_w) * bpp;
    const bool plain = begin_plain_writes();
    for (int64_t y = y_from; y <= y_to; ++y) {
      uint8_t* to = dst->data + (static_cast<size_t>(y) * dst->width + static_cast<size_t>(x_from)) * bpp;
      const uint8_t* from = source_row(row_of(y)) + skip;
      if (plain)
        std::memcpy(to, from, bytes);
      else
        shared_put_bytes(to, from, bytes);
    }
    if (plain) end_plain_writes();
    return;
  }
  // Indexed into indexed, nearest: a byte per pixel through the column table.
  if (!to_words && held.empty()) {
    const uint8_t mask = static_cast<uint8_t>(dst->mask);
    const int32_t* const column = columns.data();
    for (int64_t y = y_from; y <= y_to; ++y) {
      if (((y - y_from) & 63) == 0 && statement_stopping()) return;
      const uint8_t* from = source_row(row_of(y));
      uint8_t* to = dst->data + static_cast<size_t>(y) * dst->width + static_cast<size_t>(x_from);
      for (int32_t i = 0; i < out_w; ++i) shared_put(to + i, static_cast<uint8_t>(from[column[i]] & mask));
    }
    return;
  }
  // 32-bit into 32-bit, nearest: stored or blended through the column table,
  // or straight along the row when the width is kept and not mirrored.
  if (to_words && from_words && !smooth && held.empty()) {
    const int32_t* const column = columns.data();
    const bool straight = dw == sw && !flip_x;
    const size_t skip = static_cast<size_t>(x_from - left);
    for (int64_t y = y_from; y <= y_to; ++y) {
      if (((y - y_from) & 63) == 0 && statement_stopping()) return;
      const uint32_t* from = reinterpret_cast<const uint32_t*>(source_row(row_of(y)));
      uint32_t* to = reinterpret_cast<uint32_t*>(dst->data) + static_cast<size_t>(y) * dst->width +
                     static_cast<size_t>(x_from);
      if (straight && blend) {
        blend_row(to, from + skip, out_w);
        continue;
      }
      for (int32_t i = 0; i < out_w; ++i) {
        const uint32_t value = from[column[i]], a = value >> 24;
        if (!blend || a == 0xFF)
          shared_put(to + i, value);
        else if (a != 0)
          shared_put(to + i, graphics_blend(shared_get(to[i]), value));
      }
    }
    return;
  }
  for (int64_t y = y_from; y <= y_to; ++y) {
    if (((y - y_from) & 63) == 0 && statement_stopping()) return;
    const int32_t row = row_of(y);
    const size_t out_at = static_cast<size_t>(y) * dst->width + static_cast<size_t>(x_from);
    // Bilinear: the source position of the pixel centre, mixed from its four neighbours.
    double v = 0;
    int32_t r0 = row, r1 = row;
    uint32_t fy = 0;
    if (smooth) {
      v = std::clamp((static_cast<double>(y - top) + 0.5) * sh / static_cast<double>(dh) - 0.5, 0.0, sh - 1.0);
      if (flip_y) v = sh - 1 - v;
      r0 = static_cast<int32_t>(v);
      r1 = std::min(r0 + 1, sh - 1);
      fy = static_cast<uint32_t>((v - r0) * 256 + 0.5);
    }
    for (int32_t i = 0; i < out_w; ++i) {
      uint32_t value;
      if (smooth) {
        double u = std::clamp((static_cast<double>(x_from + i - left) + 0.5) * sw / static_cast<double>(dw) - 0.5,
                              0.0, sw - 1.0);
        if (flip_x) u = sw - 1 - u;
        const int32_t c0 = static_cast<int32_t>(u), c1 = std::min(c0 + 1, sw - 1);
        const uint32_t fx = static_cast<uint32_t>((u - c0) * 256 + 0.5);
        value = mix(mix(source_pixel(c0, r0), source_pixel(c1, r0), fx), mix(source_pixel(c0, r1), source_pixel(c1, r1), fx),
                    fy);
      } else {
        value = source_pixel(columns[i], row);
      }
      const size_t at = out_at + static_cast<size_t>(i);
      store_sampled(dst, src, at, value, to_words, from_words, blend);
    }
  }
}
