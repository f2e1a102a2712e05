#pragma once
// Filling and clearing runs of image memory the frame builder may be reading:
// eight bytes per store where the memory allows, element by element elsewhere.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/screen/image_record.h"
#include "runtime/screen/pixel_access.h"

// Eight bytes holding value as elements of size 1, 2 or 4 bytes.
inline uint64_t repeated_element(uint32_t value, int32_t size) {
  if (size == 1) return (value & 0xFFu) * 0x0101010101010101ull;
  if (size == 2) return (value & 0xFFFFu) * 0x0001000100010001ull;
  return uint64_t{value} * 0x0000000100000001ull;
}

// Fills bytes (a whole number of elements) at dst, aligned to the element
// size, with a pattern from repeated_element, using plain stores: only for
// memory no other thread can read at the moment.
inline void plain_fill(uint8_t* dst, uint64_t pattern, size_t bytes) {
  const uint64_t block[4] = {pattern, pattern, pattern, pattern};
  size_t i = 0;
  for (; i + 32 <= bytes; i += 32) std::memcpy(dst + i, block, 32);
  for (; i + 8 <= bytes; i += 8) std::memcpy(dst + i, &pattern, 8);
  std::memcpy(dst + i, &pattern, bytes - i);
}

// Stores count elements of size (1, 2 or 4 bytes) holding value at dst, which
// is aligned to size.
inline void shared_fill_elements(uint8_t* dst, uint32_t value, int32_t size, size_t count) {
  const auto store_one = [&](uint8_t* p) {
    if (size == 1)
      shared_put(p, static_cast<uint8_t>(value));
    else if (size == 2)
      shared_put(reinterpret_cast<uint16_t*>(p), static_cast<uint16_t>(value));
    else
      shared_put(reinterpret_cast<uint32_t*>(p), value);
  };
  uint8_t* end = dst + count * static_cast<size_t>(size);
  while (dst < end && (reinterpret_cast<uintptr_t>(dst) & 7) != 0) {
    store_one(dst);
    dst += size;
  }
  // An element boundary on an eight-byte boundary: the pattern repeats in step.
  const uint64_t pattern = repeated_element(value, size);
  for (; dst + 8 <= end; dst += 8)
    shared_put(reinterpret_cast<uint64_t*>(dst), pattern);
  for (; dst < end; dst += size) store_one(dst);
  note_shared_write();
}

// Moves n bytes from src down to dst (dst < src, the ranges may overlap), as
// shared_copy does but four words per step: the loads run ahead of the stores.
inline void shared_move_down(uint8_t* dst, const uint8_t* src, size_t n) {
  size_t i = 0;
  if ((reinterpret_cast<uintptr_t>(dst) & 7) == 0) {
    for (; i + 32 <= n; i += 32) {
      uint64_t w0, w1, w2, w3;
      std::memcpy(&w0, src + i, 8);
      std::memcpy(&w1, src + i + 8, 8);
      std::memcpy(&w2, src + i + 16, 8);
      std::memcpy(&w3, src + i + 24, 8);
      auto* out = reinterpret_cast<uint64_t*>(dst + i);
      shared_put(out + 0, w0);
      shared_put(out + 1, w1);
      shared_put(out + 2, w2);
      shared_put(out + 3, w3);
    }
  }
  shared_copy(dst + i, src + i, n - i);
}

// Fills pixel rows y1..y2 (inclusive, inside the image) of a pixel surface with
// value, stored as given: one-byte pixels get value AND mask, 32-bit pixels
// the value itself with no blending.
inline void fill_pixel_rows(image_record* img, int32_t y1, int32_t y2, uint32_t value) {
  if (y1 > y2) return;
  const size_t row_bytes = static_cast<size_t>(img->width) * img->bytes_per_pixel;
  uint8_t* start = img->data + static_cast<size_t>(y1) * row_bytes;
  const size_t pixels = static_cast<size_t>(y2 - y1 + 1) * img->width;
  if (img->bytes_per_pixel == 1)
    shared_fill_elements(start, value & img->mask, 1, pixels);
  else
    shared_fill_elements(start, value, 4, pixels);
}

// Fills the pixel rectangle x1..x2, y1..y2 (inclusive, inside the image) as fill_pixel_rows does.
inline void fill_pixel_box(image_record* img, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t value) {
  if (x1 > x2 || y1 > y2) return;
  if (x1 == 0 && x2 == img->width - 1) {
    fill_pixel_rows(img, y1, y2, value);
    return;
  }
  const int32_t bpp = img->bytes_per_pixel;
  const uint32_t stored = bpp == 1 ? value & img->mask : value;
  for (int32_t y = y1; y <= y2; ++y)
    shared_fill_elements(img->data + (static_cast<size_t>(y) * img->width + x1) * bpp, stored, bpp,
                         static_cast<size_t>(x2 - x1 + 1));
}

// Fills text rows r1..r2 (1-based, inside the image) of a text surface with
// one cell (character in the low byte, attribute in the high byte).
inline void fill_text_rows(image_record* img, int32_t r1, int32_t r2, uint16_t cell) {
  if (r1 > r2) return;
  shared_fill_elements(img->data + static_cast<size_t>(r1 - 1) * img->width * 2, cell, 2,
                       static_cast<size_t>(r2 - r1 + 1) * img->width);
}
