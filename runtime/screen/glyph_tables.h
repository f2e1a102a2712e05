#pragma once
// The built-in code page 437 glyphs.
#include <cstdint>

// Constant shapes, one byte per row, bit 7 the leftmost pixel (glyph_data.cpp).
extern const uint8_t glyph_rows_8x8[256][8];
extern const uint8_t glyph_rows_8x16[256][16];

// Working tables, one byte per pixel (0 clear, 255 set): glyph c of the 8x8
// font at c * 64, of the 8x16 font at c * 128. Filled by glyphs_init.
extern uint8_t glyph_8x8[256 * 64];
extern uint8_t glyph_8x16[256 * 128];

void glyphs_init();
