#include "runtime/screen/view_window.h"

#include <algorithm>

#include "runtime/core/errors.h"
#include "runtime/core/runtime_flags.h"
#include "runtime/graphics/box_fill.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/pixel_store.h"

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
  if (pending_error.load(std::memory_order_relaxed)) return;
  image_record* img = write_image;
  if (!img) return;
  const bool corners = given & 1;
  if (img->text || (!corners && (given & 14)) ||
      (corners && (!inside(img, x1, y1) || !inside(img, x2, y2)))) {
    raise_error(5);
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
    if (img->coord_mode == 0) img->coord_mode = 1;
  } else {
    img->view_x1 = img->view_y1 = 0;
    img->view_x2 = img->width - 1;
    img->view_y2 = img->height - 1;
    img->view_offset_x = img->view_offset_y = 0;
    if (img->coord_mode == 1) img->coord_mode = 0;
  }
  if (img->coord_mode == 2) window_scaling(img, img->scale_y < 0);
  if (given & 4) {
    // Pixel corners: the port itself, whatever the logical coordinates.
    const uint8_t mode = img->coord_mode;
    img->coord_mode = 0;
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
  if (pending_error.load(std::memory_order_relaxed)) return;
  image_record* img = write_image;
  if (!img) return;
  const bool corners = given & 1, screen_axis = given & 2;
  if (img->text || (screen_axis && !corners) || (corners && (x1 == x2 || y1 == y2))) {
    raise_error(5);
    return;
  }
  // The graphics point in pixels (before the view offset).
  float px = img->gfx_x, py = img->gfx_y;
  if (img->coord_mode == 2) {
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
      img->coord_mode = 2;
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
  img->coord_mode = 1;
  reset_logical_window(img);
  if (whole_port && img->view_offset_x == 0 && img->view_offset_y == 0) img->coord_mode = 0;
  img->gfx_x = px;
  img->gfx_y = py;
}

void reset_logical_window(image_record* img) {
  img->scale_x = img->scale_y = 1.0f;
  img->scale_offset_x = img->scale_offset_y = 0;
  img->window_x1 = img->window_y1 = 0;
  img->window_x2 = static_cast<float>(img->width - 1);
  img->window_y2 = static_cast<float>(img->height - 1);
}
