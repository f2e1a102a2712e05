#include "runtime/screen/glyph_tables.h"

uint8_t glyph_8x8[256 * 64];
uint8_t glyph_8x16[256 * 128];

namespace {

void expand(const uint8_t* rows, int32_t row_count, uint8_t* out) {
  for (int32_t r = 0; r < row_count; ++r)
    for (int32_t c = 0; c < 8; ++c) out[r * 8 + c] = (rows[r] >> (7 - c)) & 1 ? 255 : 0;
}

}  // namespace

void glyphs_init() {
  for (int32_t c = 0; c < 256; ++c) {
    expand(glyph_rows_8x8[c], 8, glyph_8x8 + c * 64);
    expand(glyph_rows_8x16[c], 16, glyph_8x16 + c * 128);
  }
}
