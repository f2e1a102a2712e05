#pragma once
// The font rasteriser behind loaded fonts. This build binds none: every
// operation reports nothing, so no font file loads.
#include <cstddef>
#include <cstdint>

struct glyph_coverage {
  uint8_t* pixels;  // width * height bytes, 0 clear .. 255 fully set; free with font_engine_free_glyph
  int32_t width;
  int32_t height;
  int32_t advance;
};

// A font of the given pixel height from a font file's bytes; 0 when none can be made.
uintptr_t font_engine_make(const uint8_t* file, size_t size, int32_t height, int32_t flags);
// Renders a character (code page 437 code) or a 32-bit code point; false when there is no glyph.
bool font_engine_render_char(uintptr_t font, uint32_t code, glyph_coverage* out);
bool font_engine_render_code_point(uintptr_t font, uint32_t code_point, glyph_coverage* out);
// The fixed advance of a font, 0 for a proportional font.
int32_t font_engine_fixed_advance(uintptr_t font);
void font_engine_free_glyph(glyph_coverage* glyph);
void font_engine_release(uintptr_t font);
