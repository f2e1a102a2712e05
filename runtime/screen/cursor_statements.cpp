#include "runtime/screen/cursor_statements.h"

#include <atomic>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/core/runtime_flags.h"
#include "runtime/screen/font_tables.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/pixel_access.h"
#include "runtime/screen/screen_mode.h"

int32_t screen_untouched = 1;

namespace {

constexpr int32_t tall_screen_rows = 50;
constexpr size_t start_screen_bytes = 4000;  // one 80 x 25 page of cells

// The frame builder reads the cursor shape of the shown page.
void store_shape(image_record* img, int32_t given, int32_t visible, int32_t first_line, int32_t last_line) {
  if (given & 4) std::atomic_ref<uint8_t>(img->cursor_visible).store(visible != 0, std::memory_order_relaxed);
  if (given & 8)
    std::atomic_ref<uint8_t>(img->cursor_first_line).store(static_cast<uint8_t>(first_line), std::memory_order_relaxed);
  if (given & 16)
    std::atomic_ref<uint8_t>(img->cursor_last_line).store(static_cast<uint8_t>(last_line), std::memory_order_relaxed);
}

// WIDTH 80, 50 on the start-up screen, keeping what it shows and its colours.
void switch_to_tall_screen() {
  static uint8_t saved[start_screen_bytes];
  std::memcpy(saved, text_memory, sizeof saved);
  const uint32_t colour = write_image->colour, background = write_image->background;
  pending_text_cols = 80;
  pending_text_rows = tall_screen_rows;
  pending_text_font = 8;
  screen_set(0, 0, 0, 0, 0, 1);
  shared_copy(text_memory, saved, sizeof saved);
  write_image->colour = colour;
  write_image->background = background;
  write_image->draw_colour = colour;
}

}  // namespace

void locate(int32_t row, int32_t col, int32_t visible, int32_t first_line, int32_t last_line, int32_t given) {
  if (pending_error.load(std::memory_order_relaxed)) return;
  image_record* img = write_image;
  if (!img) return;
  const int32_t rows = image_rows(img);
  int32_t columns = image_columns(img);
  bool grow = false;
  if (given & 1) {
    if (row < img->top_row || row < 1) {
      raise_error(5);
      return;
    }
    if (row > img->bottom_row && row != rows) {
      // Only the untouched start-up text screen may grow to 50 rows.
      const bool start_screen = img->text && (img->flags & image_is_page) && img->width == 80;
      if (!screen_untouched || !start_screen || row > tall_screen_rows) {
        raise_error(5);
        return;
      }
      grow = true;
      columns = 80;
    }
  }
  if ((given & 2) && (col < 1 || col > columns)) {
    raise_error(5);
    return;
  }
  if (((given & 4) && (visible < 0 || visible > 1)) || ((given & 8) && (first_line < 0 || first_line > 31)) ||
      ((given & 16) && (last_line < 0 || last_line > 31))) {
    raise_error(5);
    return;
  }
  if (grow) {
    screen_untouched = 0;
    switch_to_tall_screen();
    if (pending_error.load(std::memory_order_relaxed)) return;
    img = write_image;
  }
  if (given & 1) {
    set_cursor(img, cursor_col_of(img), row);
    set_line_held(img, 0);
  }
  if (given & 2) {
    set_cursor(img, col, cursor_row_of(img));
    set_line_held(img, 0);
  }
  if (!(given & 3) && img->line_held) set_line_held(img, 2);
  if (given & 28) {
    if (img->flags & image_is_page) {
      for (int32_t p = 0; p < page_count; ++p)
        if (page_table[p]) store_shape(image_at(page_table[p]), given, visible, first_line, last_line);
    } else {
      store_shape(img, given, visible, first_line, last_line);
    }
  }
}

void view_print(int32_t top, int32_t bottom, int32_t given) {
  if (pending_error.load(std::memory_order_relaxed)) return;
  image_record* img = write_image;
  if (!img) return;
  const int32_t rows = image_rows(img);
  if (given & 1) {
    if (top < 1 || top > bottom || bottom > rows) {
      raise_error(5);
      return;
    }
    img->top_row = static_cast<int16_t>(top);
    img->bottom_row = static_cast<int16_t>(bottom);
    set_cursor(img, 1, top);
  } else {
    img->top_row = 1;
    img->bottom_row = static_cast<int16_t>(rows);
    set_cursor(img, 1, 1);
  }
  set_line_held(img, 0);
}

int32_t csrlin() {
  const image_record* img = write_image;
  if (!img) return 0;
  const int32_t row = img->cursor_row;
  if (!img->line_held) return row;
  return row < img->bottom_row ? row + 1 : img->bottom_row;
}

int32_t pos() {
  const image_record* img = write_image;
  if (!img) return 0;
  return img->line_held ? 1 : img->cursor_col;
}
