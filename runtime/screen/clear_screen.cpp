#include "runtime/screen/clear_screen.h"

#include <algorithm>

#include "runtime/core/errors.h"
#include "runtime/core/runtime_flags.h"
#include "runtime/graphics/box_fill.h"
#include "runtime/screen/font_tables.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/key_labels.h"
#include "runtime/screen/surface_fill.h"

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
  if (img->coord_mode == 2) {
    // Pixels back to logical units: the inverse of x * scale + offset.
    if (img->scale_x != 0) x = (x - img->scale_offset_x) / img->scale_x;
    if (img->scale_y != 0) y = (y - img->scale_offset_y) / img->scale_y;
  }
  img->gfx_x = x;
  img->gfx_y = y;
}

}  // namespace

void cls(int32_t kind, int64_t fill, int32_t given) {
  if (pending_error.load(std::memory_order_relaxed)) return;
  image_record* img = write_image;
  if (!img || !img->data) return;
  const bool kind_given = given & 1;
  uint32_t colour = img->background;
  if (given & 2) {
    if (img->bytes_per_pixel == 4) {
      colour = static_cast<uint32_t>(fill);
    } else if (fill < 0 || fill > img->mask) {
      raise_error(5);
      return;
    } else {
      colour = static_cast<uint32_t>(fill);
    }
  }
  if (kind_given && (kind < 0 || kind > 2)) {
    raise_error(5);
    return;
  }
  set_cursor(img, 1, img->top_row);
  set_line_held(img, 0);
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
      const int32_t h = font_height[img->font];
      const int32_t y1 = std::max((img->top_row - 1) * h, 0);
      const int32_t y2 = std::min(img->bottom_row * h - 1, img->height - 1);
      fill_pixel_rows(img, y1, y2, colour);
      return;
    }
    if (kind_given && kind == 0) {
      fill_pixel_rows(img, 0, img->height - 1, colour);
    } else if (img->coord_mode != 0) {
      box_fill_on(img, img->window_x1, img->window_y1, img->window_x2, img->window_y2, colour, false);
    } else {
      fill_pixel_rows(img, 0, img->height - 1, colour);
    }
    centre_graphics_point(img);
  }
  key_line_redraw(1);
}
