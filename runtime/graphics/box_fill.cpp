#include "runtime/graphics/box_fill.h"

#include <algorithm>

#include "runtime/graphics/coordinate_mapping.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/pixel_store.h"
#include "runtime/screen/surface_fill.h"

void box_fill_on(image_record* img, float x1, float y1, float x2, float y2, uint32_t colour, bool blend) {
  if (!img || img->text || !img->data) return;
  int32_t px1 = map_x(img, x1), py1 = map_y(img, y1);
  int32_t px2 = map_x(img, x2), py2 = map_y(img, y2);
  if (px1 > px2) std::swap(px1, px2);
  if (py1 > py2) std::swap(py1, py2);
  // The port, kept inside the image.
  const int32_t left = std::max(img->view_x1, 0), top = std::max(img->view_y1, 0);
  const int32_t right = std::min(img->view_x2, img->width - 1), bottom = std::min(img->view_y2, img->height - 1);
  if (px2 < left || px1 > right || py2 < top || py1 > bottom) return;
  px1 = std::max(px1, left);
  py1 = std::max(py1, top);
  px2 = std::min(px2, right);
  py2 = std::min(py2, bottom);
  const uint32_t alpha = colour >> 24;
  if (img->bytes_per_pixel == 1 || !blend || img->blend_off || alpha == 0xFF) {
    fill_pixel_box(img, px1, py1, px2, py2, colour);
    return;
  }
  if (alpha == 0) return;
  for (int32_t y = py1; y <= py2; ++y)
    for (int32_t x = px1; x <= px2; ++x) store_pixel(img, x, y, colour);
}

void box_fill(float x1, float y1, float x2, float y2, uint32_t colour, bool blend) {
  box_fill_on(write_image, x1, y1, x2, y2, colour, blend);
}
