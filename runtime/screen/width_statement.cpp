#include "runtime/screen/width_statement.h"

#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/core/runtime_flags.h"
#include "runtime/screen/cursor_statements.h"
#include "runtime/screen/display_sync.h"
#include "runtime/screen/font_tables.h"
#include "runtime/screen/image_create.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/palettes.h"
#include "runtime/screen/printer_page.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/surface_fill.h"
#include "runtime/screen/view_window.h"

namespace {

constexpr int32_t printer_device = 2;
constexpr int32_t text_size_max = 255;

// Font of a text screen: by rows, one wider for 40 columns or fewer.
int32_t text_font_for(int32_t cols, int32_t rows) {
  const int32_t font = rows > 49 ? 8 : rows >= 43 ? 14 : 16;
  return cols <= 40 ? font + 1 : font;
}

void text_screen_width(const image_record* img, int32_t cols, int32_t rows, int32_t given) {
  const int32_t c = (given & 1) ? cols : img->width;
  const int32_t r = (given & 2) ? rows : img->height;
  const int32_t font = text_font_for(c, r);
  if (c == img->width && r == img->height && static_cast<uint32_t>(font) == img->font) return;
  pending_text_cols = c;
  pending_text_rows = r;
  pending_text_font = font;
  screen_set(0, 0, 0, 0, 0, 1);
}

// The pixel font a grid asks for on a pixel surface, or 0 when it does not fit.
int32_t pixel_font_for(const image_record* img, int32_t cols, int32_t rows, int32_t given) {
  const int32_t w8 = img->width / 8, h = img->height;
  if ((given & 1) && cols != w8) return 0;
  int32_t larger = 0;  // the mode's taller font, if it has one
  if (img->mode == 9 || img->mode == 10) larger = 14;
  if (img->mode == 11 || img->mode == 12) larger = 16;
  if (!(given & 2)) return larger && font_height[img->font] != 8 ? larger : 8;
  if (rows == h / 8) return 8;
  if (larger && rows == h / larger) return larger;
  return 0;
}

// A fresh surface of the write image's mode with the chosen font; on a screen
// page every other page goes first.
void refont_pixel_screen(int32_t font) {
  image_record* img = write_image;
  const bool page = img->flags & image_is_page;
  if (page) {
    display_freeze_wait();
    prev_valid.store(0);
    const int32_t keep = page_table[0];
    for (int32_t p = 1; p < page_count; ++p) {
      const int32_t index = page_table[p];
      if (!index) continue;
      if (write_index == index) set_write_image(keep);
      if (read_index == index) set_read_image(keep);
      if (display_index.load() == index) set_display_image(keep);
      image_free_memory(image_at(index));
      image_release(index);
      page_table[p] = 0;
    }
    page_count = 1;
    last_active_page = 0;
    img = write_image;
  }
  const uint32_t colour = img->colour, background = img->background;
  fill_pixel_rows(img, 0, img->height - 1, 0);
  default_palette(img);
  img->view_x1 = img->view_y1 = 0;
  img->view_x2 = img->width - 1;
  img->view_y2 = img->height - 1;
  img->view_offset_x = img->view_offset_y = 0;
  img->coord_mode = 0;
  reset_logical_window(img);
  img->gfx_x = img->width * 0.5f;
  img->gfx_y = img->height * 0.5f;
  img->draw_angle = 0;
  img->draw_scale = 1.0;
  img->colour = colour;
  img->background = background;
  img->draw_colour = colour;
  set_line_held(img, 0);
  set_font(font, img);
  if (page) display_unfreeze();
}

}  // namespace

void width(int32_t device, int32_t cols, int32_t rows, int32_t given) {
  if (pending_error.load(std::memory_order_relaxed)) return;
  if (device != 0) {
    if (device == printer_device && (given & 3) == 1 && cols >= 1 && cols <= 255) {
      printer_width = cols;
      return;
    }
    raise_error(5);
    return;
  }
  image_record* img = write_image;
  if (!img) return;
  if (((given & 1) && (cols < 1 || cols > text_size_max)) || ((given & 2) && (rows < 1 || rows > text_size_max))) {
    raise_error(5);
    return;
  }
  if (img->mode == 32 || img->mode == 256) {
    screen_untouched = 0;
    return;
  }
  if (img->text) {
    screen_untouched = 0;
    text_screen_width(img, cols, rows, given);
    return;
  }
  if (!(given & 3)) {
    screen_untouched = 0;
    return;
  }
  const int32_t font = pixel_font_for(img, cols, rows, given);
  if (font) {
    screen_untouched = 0;
    if (static_cast<uint32_t>(font) != img->font) refont_pixel_screen(font);
    return;
  }
  // The grid does not fit this pixel screen: a text screen instead.
  const int32_t c = (given & 1) ? cols : img->width / 8;
  if (c != 40 && c != 80) {
    raise_error(5);
    return;
  }
  if ((given & 2) && rows != 25 && rows != 43 && rows != 50) {
    raise_error(5);
    return;
  }
  screen_untouched = 0;
  pending_text_cols = c;
  if (given & 2) {
    pending_text_rows = rows;
    pending_text_font = (rows == 50 ? 8 : rows == 43 ? 14 : 16) + (c == 40 ? 1 : 0);
  }
  screen_set(0, 0, 0, 0, 0, 1);
}
