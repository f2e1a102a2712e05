// Pixel work on an image that needs no more than the image table: box fills
// through the view port with or without blending, and plain-pixel logical
// coordinates.
#include "runtime/image/pixels.h"

#include <algorithm>

#include "runtime/image/image.h"

void reset_logical_window(image_record* img) {
  img->scale_x = img->scale_y = 1.0f;
  img->scale_offset_x = img->scale_offset_y = 0;
  img->window_x1 = img->window_y1 = 0;
  img->window_x2 = static_cast<float>(img->width - 1);
  img->window_y2 = static_cast<float>(img->height - 1);
}

void box_fill_on(image_record* img, float x1, float y1, float x2, float y2, uint32_t colour, bool blend) {
  if (!drawable(img)) return;
  int32_t px1, py1, px2, py2;
  if (!map_point(img, x1, y1, &px1, &py1) || !map_point(img, x2, y2, &px2, &py2)) return;
  if (px1 > px2) std::swap(px1, px2);
  if (py1 > py2) std::swap(py1, py2);
  const pixel_port port = port_of(img);
  if (px2 < port.x1 || px1 > port.x2 || py2 < port.y1 || py1 > port.y2) return;
  px1 = std::max(px1, port.x1);
  py1 = std::max(py1, port.y1);
  px2 = std::min(px2, port.x2);
  py2 = std::min(py2, port.y2);
  const uint32_t alpha = colour >> 24;
  if (img->bytes_per_pixel == 1 || !blend || img->blend_off || alpha == 0xFF) {
    fill_pixel_box(img, px1, py1, px2, py2, colour);
    return;
  }
  if (alpha == 0) return;
  const note_write_at_exit mark;
  for (int32_t y = py1; y <= py2; ++y)
    for (int32_t x = px1; x <= px2; ++x) pixel_store(img, x, y, colour);
}

void box_fill(float x1, float y1, float x2, float y2, uint32_t colour, bool blend) {
  box_fill_on(write_image, x1, y1, x2, y2, colour, blend);
}
