#include "runtime/screen/screen.h"

#include <algorithm>
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/screen/detail/screen_internals.h"
#include "runtime/image/pixels.h"

video_memory_state video_memory;

void video_memory_reset() {
  std::memset(video_memory.text, 0, sizeof video_memory.text);
  std::memset(video_memory.mode13, 0, sizeof video_memory.mode13);
}

screen_setup_state screen_setup;

void screen_setup_reset() { screen_setup = screen_setup_state{}; }

namespace {

struct text_grid {
  int32_t cols;
  int32_t rows;
};

text_grid screen_grid() {
  if (!screen_pages.table[0]) return {0, 0};
  const image_record* img = image_at(screen_pages.table[0]);
  return {image_columns(img), image_rows(img)};
}

void free_old_screen() {
  for (int32_t p = 1; p < screen_pages.count; ++p) {
    if (!screen_pages.table[p]) continue;
    // Pages own pixel memory unless they lie in text memory; text pages also
    // own their palettes, while pages made on demand share page 0's.
    image_free_memory(image_at(screen_pages.table[p]));
    image_release(screen_pages.table[p]);
  }
  if (screen_pages.table[0]) {
    image_record* first = image_at(screen_pages.table[0]);
    if (screen_pages.page0_handed) {
      first->flags &= ~image_is_page;
    } else {
      image_free_memory(first);
      image_release(screen_pages.table[0]);
    }
  }
  screen_pages.page0_handed = false;
  screen_pages.count = 1;
  screen_pages.table[0] = 0;
}

bool text_size_usable(int32_t cols, int32_t rows, int32_t font) {
  return cols >= 1 && cols <= 255 && rows >= 1 && rows <= 255 && font_is_builtin(font);
}

// Builds the eight pages of a text screen; the grid follows the pending text
// size or, when none is pending, the old screen's grid.
void text_setup(text_grid old) {
  int32_t cols, rows, font;
  if (screen_setup.text_cols != -1 && screen_setup.text_rows != -1 && screen_setup.text_font != -1) {
    cols = screen_setup.text_cols;
    rows = screen_setup.text_rows;
    font = screen_setup.text_font;
  } else if (screen_setup.text_cols != -1) {
    cols = screen_setup.text_cols;
    rows = 25;
    font = 16;
    if (old.rows == 43) rows = 43, font = 14;
    if (old.rows == 50) rows = 50, font = 8;
    if (cols == 40) font += 1;
  } else if (screen_setup.text_rows != -1) {
    rows = screen_setup.text_rows;
    font = rows == 43 ? 14 : rows == 50 ? 8 : 16;
    cols = 80;
    if (old.cols == 40) cols = 40, font += 1;
  } else if (old.cols == 80 && (old.rows == 50 || old.rows == 43)) {
    cols = 80, rows = old.rows, font = 8;
  } else if (old.cols == 40 && (old.rows == 50 || old.rows == 43)) {
    cols = 40, rows = old.rows, font = 9;
  } else if (old.cols == 40 && old.rows == 25) {
    cols = 40, rows = 25, font = 17;
  } else {
    cols = 80, rows = 25, font = 16;
  }
  screen_setup.text_cols = screen_setup.text_rows = screen_setup.text_font = -1;
  if (!text_size_usable(cols, rows, font)) cols = 80, rows = 25, font = 16;
  if (cols == 40 && rows == 25) font = 17;
  if (cols == 80 && rows == 25) font = 16;
  size_t page_size = static_cast<size_t>(cols) * rows * 2;
  if (cols == 40 && rows == 25) page_size = 2048;
  if (cols == 80 && rows == 25) page_size = 4096;
  const size_t fit = std::min<size_t>(text_memory_size / page_size, 8);

  page_table_reserve(7);
  for (int32_t p = 0; p < std::min(8, screen_pages.count); ++p) {
    const int32_t index = static_cast<size_t>(p) < fit
                              ? image_create_over(video_memory.text + p * page_size, cols, rows, 0)
                              : image_create(cols, rows, 0);
    if (!index) continue;  // out of memory: the page is made on demand later
    image_record* img = image_at(index);
    set_font(font, img);
    img->flags |= image_is_page;
    screen_pages.table[p] = index;
  }
  // The builder may still be reading the previous screen's text page.
  shared_fill_elements(video_memory.text, 32 | 7 << 8, 2, text_memory_size / 2);
}

// Makes page 0 of the new screen; false when memory ran out.
bool make_screen(int32_t mode, int32_t handed_index, text_grid old) {
  int32_t index = 0;
  switch (mode) {
    case 13:
      index = image_create_over(video_memory.mode13, 320, 200, 13);
      shared_fill_elements(video_memory.mode13, 0, 1, sizeof video_memory.mode13);
      break;
    case 12:
    case 11:
      index = image_create(640, 480, mode);
      if (index && old.cols == 80 && old.rows == 60) set_font(8, image_at(index));
      break;
    case 10:
    case 9:
      index = image_create(640, 350, mode);
      if (index && old.cols == 80 && old.rows == 43) set_font(8, image_at(index));
      break;
    case 8:
    case 2:
      index = image_create(640, 200, mode);
      break;
    case 7:
    case 1:
      index = image_create(320, 200, mode);
      break;
    case 0:
      text_setup(old);
      index = screen_pages.table[0];
      break;
    default:  // an image handed over by the program
      index = handed_index;
      screen_pages.page0_handed = true;
      break;
  }
  if (!index) return false;
  screen_pages.table[0] = index;
  return true;
}

// Print region of the write image back to its default after a page change.
void reset_print_region() {
  image_record* img = write_image;
  const int32_t rows = image_rows(img);
  img->top_row = 1;
  img->bottom_row = static_cast<int16_t>(rows);
  if (img->bottom_row < cursor_row_of(img)) set_cursor(img, cursor_col_of(img), 1);
  img->bottom_row = static_cast<int16_t>(std::max(rows - 1, 1));
}

void copy_graphics_state(const image_record* from, image_record* to) {
  const size_t start = offsetof(image_record, graphics_state_start);
  const size_t end = offsetof(image_record, graphics_state_end) + 1;
  std::memcpy(reinterpret_cast<uint8_t*>(to) + start, reinterpret_cast<const uint8_t*>(from) + start, end - start);
}

}  // namespace

void screen_set(int32_t mode, int32_t, int32_t active_page, int32_t visual_page, int32_t, int32_t given) {
  if (error_report.pending.load()) return;
  int32_t change = 0;
  const int32_t first = screen_pages.table[0];
  int32_t handed_index = 0;
  if (given & 1) {
    if (mode < 0) {
      const int64_t index = -static_cast<int64_t>(mode);
      if (!image_index_valid(index)) {
        raise_error(err_invalid_handle);
        return;
      }
      handed_index = static_cast<int32_t>(index);
      if (handed_index != first) {
        // A page of the current screen would be freed with the old screen.
        if (image_at(handed_index)->flags & image_is_page) {
          raise_error(err_illegal_function_call);
          return;
        }
        change |= 1;
      }
    } else {
      if ((mode >= 3 && mode <= 6) || mode > 13) {
        raise_error(err_illegal_function_call);
        return;
      }
      if (!first || image_at(first)->mode != mode) change |= 1;
      if (screen_setup.text_cols != -1 || screen_setup.text_rows != -1 || screen_setup.text_font != -1) change |= 1;
    }
  }
  const bool active_given = given & 4;
  const bool visual_given = (given & 8) || active_given;
  if (!(given & 8)) visual_page = active_page;
  const auto bad_page = [](int32_t page) { return page < 0 || page > page_number_max; };
  if ((active_given && bad_page(active_page)) || (visual_given && bad_page(visual_page))) {
    raise_error(err_illegal_function_call);
    return;
  }
  if (!(change & 1)) {
    if (active_given) {
      const int32_t index = page_image(active_page);
      if (!index) {
        raise_error(err_out_of_memory);
        return;
      }
      if (index != write_index || index != read_index) change |= 2;
    }
    if (visual_given) {
      const int32_t index = page_image(visual_page);
      if (!index) {
        raise_error(err_out_of_memory);
        return;
      }
      if (index != display_link.shown_index.load()) change |= 2;
    }
  }
  // A program that names anything but text mode 0 has taken the screen over.
  if (given != 1 || mode != 0) screen_setup.untouched = 0;
  if (!change) return;

  const bool mode_change = (given & 1) && (change & 1);
  if (mode_change) display_freeze_wait();
  display_link.prev_valid.store(0);

  if (mode_change) {
    const text_grid old = screen_grid();
    free_old_screen();
    if (!make_screen(mode, handed_index, old)) {
      raise_error(err_out_of_memory);
      make_screen(0, 0, old);  // a text screen needs no new pixel memory
    }
    image_at(screen_pages.table[0])->flags |= image_is_page;
    set_display_image(screen_pages.table[0]);
    set_write_image(screen_pages.table[0]);
    set_read_image(screen_pages.table[0]);
    write_image->draw_angle = 0;
    write_image->draw_scale = 1.0;
    screen_pages.last_active = 0;
  }

  if (active_given) {
    const int32_t index = page_image(active_page);
    if (index && (index != write_index || index != read_index)) {
      set_write_image(index);
      set_read_image(index);
      reset_colours();
      reset_print_region();
    }
    if (index && active_page != screen_pages.last_active && !write_image->text && screen_pages.last_active < screen_pages.count &&
        screen_pages.table[screen_pages.last_active])
      copy_graphics_state(image_at(screen_pages.table[screen_pages.last_active]), write_image);
    screen_pages.last_active = active_page;
  }
  if (visual_given) {
    const int32_t index = page_image(visual_page);
    if (index && index != display_link.shown_index.load()) {
      set_display_image(index);
      reset_colours();
      reset_print_region();
    }
  }
  display_unfreeze();
  if (mode_change) key_line_redraw(1);
}

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
  screen_setup.text_cols = c;
  screen_setup.text_rows = r;
  screen_setup.text_font = font;
  screen_set(0, 0, 0, 0, 0, 1);
}

// The pixel font a grid asks for on a pixel surface, or 0 when it does not fit.
int32_t pixel_font_for(const image_record* img, int32_t cols, int32_t rows, int32_t given) {
  const int32_t w8 = img->width / 8, h = img->height;
  if ((given & 1) && cols != w8) return 0;
  int32_t larger = 0;  // the mode's taller font, if it has one
  if (img->mode == 9 || img->mode == 10) larger = 14;
  if (img->mode == 11 || img->mode == 12) larger = 16;
  if (!(given & 2)) return larger && font_height_of(img->font) != 8 ? larger : 8;
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
    display_link.prev_valid.store(0);
    const int32_t keep = screen_pages.table[0];
    for (int32_t p = 1; p < screen_pages.count; ++p) {
      const int32_t index = screen_pages.table[p];
      if (!index) continue;
      if (write_index == index) set_write_image(keep);
      if (read_index == index) set_read_image(keep);
      if (display_link.shown_index.load() == index) set_display_image(keep);
      image_free_memory(image_at(index));
      image_release(index);
      screen_pages.table[p] = 0;
    }
    screen_pages.count = 1;
    screen_pages.last_active = 0;
    img = write_image;
  }
  const uint32_t colour = img->colour, background = img->background;
  fill_pixel_rows(img, 0, img->height - 1, 0);
  default_palette(img);
  img->view_x1 = img->view_y1 = 0;
  img->view_x2 = img->width - 1;
  img->view_y2 = img->height - 1;
  img->view_offset_x = img->view_offset_y = 0;
  img->coord_mode = coords_pixels;
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
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  if (device != 0) {
    if (device == printer_device && (given & 3) == 1 && cols >= 1 && cols <= 255) {
      line_printer.width = cols;
      return;
    }
    raise_error(err_illegal_function_call);
    return;
  }
  image_record* img = write_image;
  if (!img) return;
  if (((given & 1) && (cols < 1 || cols > text_size_max)) || ((given & 2) && (rows < 1 || rows > text_size_max))) {
    raise_error(err_illegal_function_call);
    return;
  }
  if (img->mode == 32 || img->mode == 256) {
    screen_setup.untouched = 0;
    return;
  }
  if (img->text) {
    screen_setup.untouched = 0;
    text_screen_width(img, cols, rows, given);
    return;
  }
  if (!(given & 3)) {
    screen_setup.untouched = 0;
    return;
  }
  const int32_t font = pixel_font_for(img, cols, rows, given);
  if (font) {
    screen_setup.untouched = 0;
    if (static_cast<uint32_t>(font) != img->font) refont_pixel_screen(font);
    return;
  }
  // The grid does not fit this pixel screen: a text screen instead.
  const int32_t c = (given & 1) ? cols : img->width / 8;
  if (c != 40 && c != 80) {
    raise_error(err_illegal_function_call);
    return;
  }
  if ((given & 2) && rows != 25 && rows != 43 && rows != 50) {
    raise_error(err_illegal_function_call);
    return;
  }
  screen_setup.untouched = 0;
  screen_setup.text_cols = c;
  if (given & 2) {
    screen_setup.text_rows = rows;
    screen_setup.text_font = (rows == 50 ? 8 : rows == 43 ? 14 : 16) + (c == 40 ? 1 : 0);
  }
  screen_set(0, 0, 0, 0, 0, 1);
}
