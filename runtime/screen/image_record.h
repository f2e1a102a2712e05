#pragma once
// One image: a screen page or an off-screen surface.
#include <atomic>
#include <cstdint>

#include "runtime/core/lock_pool.h"

// Bits of image_record::flags.
constexpr uint32_t image_owns_palette = 1;  // palette is the image's own allocation
constexpr uint32_t image_is_page = 2;       // the image is a screen page
constexpr uint32_t image_owns_pixels = 4;   // data is the image's own allocation

struct image_record {
  struct lock_record* lock_record;  // memory-lock record, released with the image when lock_id != 0
  uint64_t lock_id;
  uint8_t valid;    // 1 while the slot holds an image
  uint8_t text;     // 1: cells (character, attribute) instead of pixels
  uint8_t console;  // 1: output goes to standard output
  uint16_t width;   // pixels, or character columns of a text surface
  uint16_t height;  // pixels, or character rows of a text surface
  uint8_t bytes_per_pixel;  // 1, 2 (text) or 4
  uint8_t bits_per_pixel;   // 1, 2, 4, 8, 16 (text) or 32
  uint32_t mask;            // (1 << bits_per_pixel) - 1, all ones for 32 bits
  uint16_t mode;            // 0, 1, 2, 7-13, 32 or 256
  uint32_t colour;          // palette index or 0xAARRGGBB; text: bit 4 blinks
  uint32_t background;
  uint32_t draw_colour;     // colour of the graphics statements
  uint32_t font;
  int16_t top_row;          // print region, 1-based rows
  int16_t bottom_row;
  int16_t cursor_col;       // 1-based
  int16_t cursor_row;
  uint8_t cursor_visible;
  uint8_t cursor_first_line;
  uint8_t cursor_last_line;
  uint8_t* data;            // width * height * bytes_per_pixel, rows top to bottom
  uint32_t flags;
  std::atomic<uint32_t>* palette;  // 256 entries 0xAARRGGBB; null for 32-bit images
  int32_t transparent_colour;      // -1 for none
  uint8_t blend_off;        // 1: 32-bit pixels are stored as given
  uint8_t line_held;        // 1 or 2: the last character filled the line
  uint8_t print_mode;       // 1 foreground, 2 background, 3 both
  // Graphics state, moved together when the active page changes.
  uint8_t graphics_state_start;
  int32_t view_x1, view_y1, view_x2, view_y2;
  int32_t view_offset_x, view_offset_y;
  float gfx_x, gfx_y;
  uint8_t coord_mode;       // 0 pixels, 2 scaled logical coordinates, others view offset only
  float scale_x, scale_y, scale_offset_x, scale_offset_y;
  float window_x1, window_y1, window_x2, window_y2;
  double draw_angle;
  double draw_scale;
  uint8_t graphics_state_end;
};

// The frame builder reads the cursor fields and line_held of the shown page
// while the program thread prints; both sides go through these.
inline void set_cursor(image_record* img, int32_t col, int32_t row) {
  std::atomic_ref<int16_t>(img->cursor_col).store(static_cast<int16_t>(col), std::memory_order_relaxed);
  std::atomic_ref<int16_t>(img->cursor_row).store(static_cast<int16_t>(row), std::memory_order_relaxed);
}
inline int16_t cursor_col_of(image_record* img) {
  return std::atomic_ref<int16_t>(img->cursor_col).load(std::memory_order_relaxed);
}
inline int16_t cursor_row_of(image_record* img) {
  return std::atomic_ref<int16_t>(img->cursor_row).load(std::memory_order_relaxed);
}
inline void set_line_held(image_record* img, uint8_t value) {
  std::atomic_ref<uint8_t>(img->line_held).store(value, std::memory_order_relaxed);
}
