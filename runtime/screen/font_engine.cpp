#include "runtime/screen/font_engine.h"

#include <cstdlib>

uintptr_t font_engine_make(const uint8_t*, size_t, int32_t, int32_t) { return 0; }

bool font_engine_render_char(uintptr_t, uint32_t, glyph_coverage* out) {
  *out = glyph_coverage{};
  return false;
}

bool font_engine_render_code_point(uintptr_t, uint32_t, glyph_coverage* out) {
  *out = glyph_coverage{};
  return false;
}

int32_t font_engine_fixed_advance(uintptr_t) { return 0; }

void font_engine_free_glyph(glyph_coverage* glyph) {
  std::free(glyph->pixels);
  glyph->pixels = nullptr;
}

void font_engine_release(uintptr_t) {}
