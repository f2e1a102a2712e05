#pragma once
// Logical coordinates to pixels through an image's view and window settings.
// Rounding is to the nearest integer with ties to even.
#include <cmath>
#include <cstdint>

#include "runtime/screen/image_record.h"

inline int32_t map_x(const image_record* img, float x) {
  if (img->coord_mode == 0) return static_cast<int32_t>(std::nearbyint(x));
  if (img->coord_mode == 2) return static_cast<int32_t>(std::nearbyint(x * img->scale_x + img->scale_offset_x)) + img->view_offset_x;
  return static_cast<int32_t>(std::nearbyint(x)) + img->view_offset_x;
}

inline int32_t map_y(const image_record* img, float y) {
  if (img->coord_mode == 0) return static_cast<int32_t>(std::nearbyint(y));
  if (img->coord_mode == 2) return static_cast<int32_t>(std::nearbyint(y * img->scale_y + img->scale_offset_y)) + img->view_offset_y;
  return static_cast<int32_t>(std::nearbyint(y)) + img->view_offset_y;
}
