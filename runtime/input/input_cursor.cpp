#include "runtime/input/input_cursor.h"

#include <algorithm>

#include "runtime/screen/pixels.h"
#include "runtime/screen/screen.h"

namespace {
bool one_column(const image_record* img) {
  return font_is_loaded(img->font) || img->mode == 256 || img->mode == 32;
}
}  // namespace

bool input_cursor_blinks(const image_record* img) { return one_column(img); }

bool input_cursor_wanted(const image_record* img, int64_t ms) {
  return !input_cursor_blinks(img) || (ms & 512) == 0;
}

void input_cursor_toggle(image_record* img) {
  if (img->text || img->console || !img->data) return;
  const int32_t fw = font_width[img->font];
  const int32_t fh = font_height[img->font];
  const int32_t col = cursor_col_of(img), row = cursor_row_of(img);
  // A proportional font counts the column in pixels.
  const int32_t x0 = fw == 0 ? col - 1 : (col - 1) * fw;
  const int32_t w = one_column(img) || fw == 0 ? 1 : fw;
  const int32_t y0 = (row - 1) * fh;
  const int32_t x1 = std::max(x0, 0), x2 = std::min(x0 + w, static_cast<int32_t>(img->width));
  const int32_t y1 = std::max(y0, 0), y2 = std::min(y0 + fh, static_cast<int32_t>(img->height));
  // Stored as computed, never blended.
  for (int32_t y = y1; y < y2; ++y) {
    for (int32_t x = x1; x < x2; ++x) {
      const size_t at = static_cast<size_t>(y) * img->width + static_cast<size_t>(x);
      if (img->bytes_per_pixel == 1) {
        uint8_t* p = img->data + at;
        shared_store8(p, static_cast<uint8_t>((shared_get(*p) ^ img->colour) & img->mask));
      } else {
        // The colour channels only: the pixel keeps its alpha.
        uint32_t* p = reinterpret_cast<uint32_t*>(img->data) + at;
        shared_store32(p, shared_get(*p) ^ (img->colour & 0x00FFFFFF));
      }
    }
  }
}
