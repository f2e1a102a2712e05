#include "runtime/screen/screen.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/image/pixels.h"

namespace {

// On a text surface the position is a cell: LOCATE there, print, and LOCATE
// back to where the cursor was (as CSRLIN and POS report it).
void print_at_cell(int32_t index, float x, float y, const str_desc* text) {
  const int32_t saved_write = write_index;
  set_write_image(index);
  const int32_t row = csrlin(), col = pos();
  locate(static_cast<int32_t>(std::nearbyint(y)), static_cast<int32_t>(std::nearbyint(x)), 0, 0, 0, 3);
  if (!error_report.pending.load()) {
    print_text(text, 0);
    locate(row, col, 0, 0, 0, 3);
  }
  set_write_image(saved_write);
}

constexpr int32_t tall_screen_rows = 50;
constexpr size_t start_screen_bytes = 4000;  // one 80 x 25 page of cells

// The frame builder reads the cursor shape of the shown page.
void store_shape(image_record* img, int32_t given, int32_t visible, int32_t first_line, int32_t last_line) {
  if (given & 4) shared_put(&img->cursor_visible, static_cast<uint8_t>(visible != 0));
  if (given & 8)
    shared_put(&img->cursor_first_line, static_cast<uint8_t>(first_line));
  if (given & 16)
    shared_put(&img->cursor_last_line, static_cast<uint8_t>(last_line));
}

// WIDTH 80, 50 on the start-up screen, keeping what it shows and its colours.
void switch_to_tall_screen() {
  static uint8_t saved[start_screen_bytes];
  std::memcpy(saved, video_memory.text, sizeof saved);
  const uint32_t colour = write_image->colour, background = write_image->background;
  screen_setup.text_cols = 80;
  screen_setup.text_rows = tall_screen_rows;
  screen_setup.text_font = 8;
  screen_set(0, 0, 0, 0, 0, 1);
  shared_copy(video_memory.text, saved, sizeof saved);
  write_image->colour = colour;
  write_image->background = background;
  write_image->draw_colour = colour;
}

}  // namespace

void locate(int32_t row, int32_t col, int32_t visible, int32_t first_line, int32_t last_line, int32_t given) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  image_record* img = write_image;
  if (!img) return;
  const int32_t rows = image_rows(img);
  int32_t columns = image_columns(img);
  bool grow = false;
  if (given & 1) {
    if (row < img->top_row || row < 1) {
      raise_error(err_illegal_function_call);
      return;
    }
    if (row > img->bottom_row && row != rows) {
      // Only the untouched start-up text screen may grow to 50 rows.
      const bool start_screen = img->text && (img->flags & image_is_page) && img->width == 80;
      if (!screen_setup.untouched || !start_screen) {
        raise_error(err_illegal_function_call);
        return;
      }
      // The one chance is taken: later rows below the screen are refused even
      // when this LOCATE is refused too.
      screen_setup.untouched = 0;
      if (row > tall_screen_rows) {
        raise_error(err_illegal_function_call);
        return;
      }
      grow = true;
      columns = 80;
    }
  }
  if ((given & 2) && (col < 1 || col > columns)) {
    raise_error(err_illegal_function_call);
    return;
  }
  if (((given & 4) && (visible < 0 || visible > 1)) || ((given & 8) && (first_line < 0 || first_line > 31)) ||
      ((given & 16) && (last_line < 0 || last_line > 31))) {
    raise_error(err_illegal_function_call);
    return;
  }
  if (grow) {
    switch_to_tall_screen();
    if (error_report.pending.load(std::memory_order_relaxed)) return;
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
      for (int32_t p = 0; p < screen_pages.count; ++p)
        if (screen_pages.table[p]) store_shape(image_at(screen_pages.table[p]), given, visible, first_line, last_line);
    } else {
      store_shape(img, given, visible, first_line, last_line);
    }
  }
}

void view_print(int32_t top, int32_t bottom, int32_t given) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  image_record* img = write_image;
  if (!img) return;
  const int32_t rows = image_rows(img);
  if (given & 1) {
    if (top < 1 || top > bottom || bottom > rows) {
      raise_error(err_illegal_function_call);
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

uint16_t cls_blank_cell(const image_record* img, uint32_t fill) {
  const uint32_t attribute = ((fill & 7) << 4) | ((img->colour & 0x10) << 3) | (img->colour & 0x0F);
  return static_cast<uint16_t>(32 | (attribute & 0xFF) << 8);
}

namespace {

// Rows top..bottom of the print region, kept inside the image.
void clear_text_region(image_record* img, uint16_t cell) {
  fill_text_rows(img, std::max<int32_t>(img->top_row, 1), std::min<int32_t>(img->bottom_row, img->height), cell);
}

// The graphics point to the centre of the view port, in the image's coordinates.
void centre_graphics_point(image_record* img) {
  float x = static_cast<float>((img->view_x2 - img->view_x1 + 1) / 2);
  float y = static_cast<float>((img->view_y2 - img->view_y1 + 1) / 2);
  if (img->coord_mode == coords_scaled) {
    // Pixels back to logical units: the inverse of x * scale + offset.
    if (img->scale_x != 0) x = (x - img->scale_offset_x) / img->scale_x;
    if (img->scale_y != 0) y = (y - img->scale_offset_y) / img->scale_y;
  }
  img->gfx_x = x;
  img->gfx_y = y;
}

}  // namespace

void cls(int32_t kind, int64_t fill, int32_t given) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  image_record* img = write_image;
  if (!img || !img->data) return;
  const bool kind_given = given & 1;
  uint32_t colour = img->background;
  if (given & 2) {
    if (img->bytes_per_pixel == 4) {
      colour = static_cast<uint32_t>(fill);
    } else if (fill < 0 || fill > img->mask) {
      raise_error(err_illegal_function_call);
      return;
    } else {
      colour = static_cast<uint32_t>(fill);
    }
  }
  if (kind_given && (kind < 0 || kind > 2)) {
    raise_error(err_illegal_function_call);
    return;
  }
  set_cursor(img, 1, img->top_row);
  set_line_held(img, 0);
  end_glyph_run();
  img->draw_angle = 0;
  img->draw_scale = 1.0;

  if (img->text) {
    const uint16_t cell = cls_blank_cell(img, colour);
    if (!kind_given) {
      clear_text_region(img, cell);
      fill_text_rows(img, img->height, img->height, cell);
    } else if (kind == 0) {
      fill_text_rows(img, 1, img->height, cell);
    } else if (kind == 1) {
      return;
    } else {
      clear_text_region(img, cell);
      return;
    }
  } else {
    if (kind_given && kind == 2) {
      const int32_t h = font_height_of(img->font);
      const int32_t y1 = std::max((img->top_row - 1) * h, 0);
      const int32_t y2 = std::min(img->bottom_row * h - 1, img->height - 1);
      fill_pixel_rows(img, y1, y2, colour);
      return;
    }
    if (kind_given && kind == 0) {
      fill_pixel_rows(img, 0, img->height - 1, colour);
    } else if (img->coord_mode != coords_pixels) {
      box_fill_on(img, img->window_x1, img->window_y1, img->window_x2, img->window_y2, colour, false);
    } else {
      fill_pixel_rows(img, 0, img->height - 1, colour);
    }
    centre_graphics_point(img);
  }
  key_line_redraw(1);
}

namespace {

bool inside(const image_record* img, int32_t x, int32_t y) { return x >= 0 && y >= 0 && x < img->width && y < img->height; }

void border_pixel(image_record* img, int32_t x, int32_t y, uint32_t colour) {
  if (inside(img, x, y)) store_pixel(img, x, y, colour);
}

}  // namespace

void window_scaling(image_record* img, bool upward) {
  const float view_w = static_cast<float>(img->view_x2 - img->view_x1);
  const float view_h = static_cast<float>(img->view_y2 - img->view_y1);
  img->scale_x = view_w / (img->window_x2 - img->window_x1);
  img->scale_offset_x = -img->window_x1 * img->scale_x;
  if (upward) {
    // The larger y is the top: y2 maps to the first row of the port, y1 to its last.
    img->scale_y = -view_h / (img->window_y2 - img->window_y1);
    img->scale_offset_y = -img->window_y1 * img->scale_y + view_h;
  } else {
    img->scale_y = view_h / (img->window_y2 - img->window_y1);
    img->scale_offset_y = -img->window_y1 * img->scale_y;
  }
}

void view(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t fill, uint32_t border, int32_t given) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  image_record* img = write_image;
  if (!img) return;
  const bool corners = given & 1;
  if (img->text || (!corners && (given & 14)) ||
      (corners && (!inside(img, x1, y1) || !inside(img, x2, y2)))) {
    raise_error(err_illegal_function_call);
    return;
  }
  img->draw_angle = 0;
  img->draw_scale = 1.0;
  if (corners) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    img->view_x1 = x1;
    img->view_y1 = y1;
    img->view_x2 = x2;
    img->view_y2 = y2;
    img->view_offset_x = (given & 2) ? 0 : x1;
    img->view_offset_y = (given & 2) ? 0 : y1;
    if (img->coord_mode == coords_pixels) img->coord_mode = coords_view_offset;
  } else {
    img->view_x1 = img->view_y1 = 0;
    img->view_x2 = img->width - 1;
    img->view_y2 = img->height - 1;
    img->view_offset_x = img->view_offset_y = 0;
    if (img->coord_mode == coords_view_offset) img->coord_mode = coords_pixels;
  }
  if (img->coord_mode == coords_scaled) window_scaling(img, img->scale_y < 0);
  if (given & 4) {
    // Pixel corners: the port itself, whatever the logical coordinates.
    const coordinate_mode mode = img->coord_mode;
    img->coord_mode = coords_pixels;
    box_fill_on(img, static_cast<float>(img->view_x1), static_cast<float>(img->view_y1),
                static_cast<float>(img->view_x2), static_cast<float>(img->view_y2), fill, true);
    img->coord_mode = mode;
  }
  if (given & 8) {
    const int32_t left = img->view_x1 - 1, right = img->view_x2 + 1;
    const int32_t top = img->view_y1 - 1, bottom = img->view_y2 + 1;
    for (int32_t x = left; x <= right; ++x) {
      border_pixel(img, x, top, border);
      border_pixel(img, x, bottom, border);
    }
    for (int32_t y = top + 1; y < bottom; ++y) {
      border_pixel(img, left, y, border);
      border_pixel(img, right, y, border);
    }
  }
}

void window(float x1, float y1, float x2, float y2, int32_t given) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  image_record* img = write_image;
  if (!img) return;
  const bool corners = given & 1, screen_axis = given & 2;
  if (img->text || (screen_axis && !corners) || (corners && (x1 == x2 || y1 == y2))) {
    raise_error(err_illegal_function_call);
    return;
  }
  // The graphics point in pixels (before the view offset).
  float px = img->gfx_x, py = img->gfx_y;
  if (img->coord_mode == coords_scaled) {
    px = px * img->scale_x + img->scale_offset_x;
    py = py * img->scale_y + img->scale_offset_y;
  }
  const bool whole_port = img->view_x1 == 0 && img->view_y1 == 0 && img->view_x2 == img->width - 1 &&
                          img->view_y2 == img->height - 1;
  if (corners) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    const bool identity = screen_axis && whole_port && x1 == 0 && y1 == 0 &&
                          x2 == static_cast<float>(img->width - 1) && y2 == static_cast<float>(img->height - 1);
    if (!identity) {
      img->coord_mode = coords_scaled;
      img->window_x1 = x1;
      img->window_y1 = y1;
      img->window_x2 = x2;
      img->window_y2 = y2;
      window_scaling(img, !screen_axis);
      img->gfx_x = (px - img->scale_offset_x) / img->scale_x;
      img->gfx_y = (py - img->scale_offset_y) / img->scale_y;
      return;
    }
  }
  img->coord_mode = coords_view_offset;
  reset_logical_window(img);
  if (whole_port && img->view_offset_x == 0 && img->view_offset_y == 0) img->coord_mode = coords_pixels;
  img->gfx_x = px;
  img->gfx_y = py;
}

void print_at(float x, float y, const str_desc* text, int64_t page_or_handle, int32_t given) {
  if (error_report.pending.load()) return;
  const int32_t index = resolve_target(page_or_handle, given & 2);
  const int32_t length = text ? text->len : 0;
  if (!index || length <= 0) return;
  image_record* img = image_at(index);
  if (img->text) {
    print_at_cell(index, x, y, text);
    return;
  }
  if (given & 1) {
    img->gfx_x += x;
    img->gfx_y += y;
  } else {
    img->gfx_x = x;
    img->gfx_y = y;
  }
  // The glyphs start at the new graphics point in pixels: scaled, then offset
  // by the view port, as every plotted point is.
  float px = img->gfx_x, py = img->gfx_y;
  if (img->coord_mode == coords_scaled) {
    px = px * img->scale_x + img->scale_offset_x;
    py = py * img->scale_y + img->scale_offset_y;
  }
  if (img->coord_mode != coords_pixels) {
    px += static_cast<float>(img->view_offset_x);
    py += static_cast<float>(img->view_offset_y);
  }
  draw_text_at(img, px, py, text);
}
