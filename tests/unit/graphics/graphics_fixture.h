#pragma once
// The graphics tests draw on a fresh image of their own as the write image.
#include <cstdint>
#include <set>
#include <utility>

#include "runtime/graphics/detail/graphics_internals.h"
#include "runtime/graphics/graphics.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/detail/string_state.h"
#include "tests/unit/screen/screen_fixture.h"

class GraphicsTest : public ScreenTest {
 public:
  using point = std::pair<int32_t, int32_t>;
  using points = std::set<point>;

  // A w x h image of the mode, cleared to 0, made the write image.
  static image_record* use_image(int32_t w, int32_t h, int32_t mode) {
    set_dest(new_image(w, h, mode, 1));
    return write_image;
  }
  static uint32_t pixel(int32_t x, int32_t y) {
    const size_t at = static_cast<size_t>(y) * write_image->width + x;
    if (write_image->bytes_per_pixel == 1) return write_image->data[at];
    return reinterpret_cast<const uint32_t*>(write_image->data)[at];
  }
  static void set_pixel(int32_t x, int32_t y, uint32_t value) {
    const size_t at = static_cast<size_t>(y) * write_image->width + x;
    if (write_image->bytes_per_pixel == 1) write_image->data[at] = static_cast<uint8_t>(value);
    else reinterpret_cast<uint32_t*>(write_image->data)[at] = value;
  }
  // Every pixel that differs from background.
  static points drawn(uint32_t background = 0) {
    points out;
    for (int32_t y = 0; y < write_image->height; ++y)
      for (int32_t x = 0; x < write_image->width; ++x)
        if (pixel(x, y) != background) out.insert({x, y});
    return out;
  }
  // The pixels of a horizontal or vertical run from (x1, y1) to (x2, y2), ends included.
  static points run(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    points out;
    for (int32_t y = y1; y <= y2; ++y)
      for (int32_t x = x1; x <= x2; ++x) out.insert({x, y});
    return out;
  }
  static point graphics_point() {
    return {static_cast<int32_t>(write_image->gfx_x), static_cast<int32_t>(write_image->gfx_y)};
  }
};
