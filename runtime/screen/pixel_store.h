#pragma once
// Storing pixels into images: masking for indexed pixels, alpha blending for
// 32-bit ones.
#include <cstdint>

#include "runtime/screen/image_record.h"
#include "runtime/screen/pixel_access.h"

// blend_scale[a][v] = v * a / 255 rounded; built when the first 32-bit image is made.
extern uint8_t blend_scale[256][256];
extern bool blend_tables_ready;
void blend_tables_build();

// src over dst: alpha 0xFF replaces, 0 keeps dst, anything else mixes the
// colour channels by the alpha and covers dst's alpha accordingly.
inline uint32_t blend_over(uint32_t dst, uint32_t src) {
  const uint32_t a = src >> 24;
  if (a == 0xFF) return src;
  if (a == 0) return dst;
  const uint8_t* s = blend_scale[a];
  const uint8_t* d = blend_scale[255 - a];
  const uint32_t r = s[(src >> 16) & 0xFF] + d[(dst >> 16) & 0xFF];
  const uint32_t g = s[(src >> 8) & 0xFF] + d[(dst >> 8) & 0xFF];
  const uint32_t b = s[src & 0xFF] + d[dst & 0xFF];
  const uint32_t alpha = a + d[dst >> 24];
  return alpha << 24 | r << 16 | g << 8 | b;
}

// Stores value at (x, y), which must lie inside the image (not text).
inline void store_pixel(image_record* img, int32_t x, int32_t y, uint32_t value) {
  const size_t at = static_cast<size_t>(y) * img->width + static_cast<size_t>(x);
  if (img->bytes_per_pixel == 1) {
    shared_store8(img->data + at, static_cast<uint8_t>(value & img->mask));
    return;
  }
  uint32_t* p = reinterpret_cast<uint32_t*>(img->data) + at;
  shared_store32(p, img->blend_off ? value : blend_over(*p, value));
}

// As store_pixel, dropping pixels outside the image's view port.
inline void store_pixel_clipped(image_record* img, int32_t x, int32_t y, uint32_t value) {
  if (x < img->view_x1 || x > img->view_x2 || y < img->view_y1 || y > img->view_y2) return;
  if (x < 0 || y < 0 || x >= img->width || y >= img->height) return;
  store_pixel(img, x, y, value);
}
