// The font tables: metrics and flags of every font number, the built-in
// glyphs expanded to one byte per pixel, the glyphs of loaded fonts, and the
// rows and columns of text an image holds in its font.
#include "runtime/image/image.h"

#include "runtime/image/detail/font_engine.h"

std::atomic<int32_t> font_slots{0};
std::atomic<int32_t> font_height[font_slots_max];
std::atomic<int32_t> font_width[font_slots_max];
std::atomic<int32_t> font_flags[font_slots_max];
std::atomic<uintptr_t> font_handle[font_slots_max];

namespace {
constexpr int32_t font_slots_at_start = 49;
}

void font_tables_init() {
  for (int32_t f = 0; f < font_slots_max; ++f) {
    if (const uintptr_t handle = font_handle[f].exchange(0)) font_engine_release(handle);
    font_height[f] = font_width[f] = font_flags[f] = 0;
  }
  font_slots = font_slots_at_start;
  for (int32_t f : {8, 14, 16}) {
    font_width[f] = 8;
    font_width[f + 1] = 16;
    font_height[f] = font_height[f + 1] = f;
    font_flags[f] = font_flags[f + 1] = font_monospace;
  }
}

bool font_is_builtin(int64_t font) {
  return font == 8 || font == 9 || font == 14 || font == 15 || font == 16 || font == 17;
}

bool font_is_loaded(int64_t font) {
  return font >= first_loaded_font && font < font_slots.load() && font_handle[font] != 0;
}

const uint8_t* font_text_cells(uint32_t font) {
  if (font < first_loaded_font || font >= font_slots_max) return nullptr;
  return font_engine_text_cells(font_handle[font].load());
}

int32_t image_rows(const image_record* img) {
  if (img->text) return img->height;
  const int32_t h = font_height_of(img->font);
  return h > 0 ? img->height / h : img->height;
}

int32_t image_columns(const image_record* img) {
  if (img->text) return img->width;
  const int32_t w = font_width_of(img->font);
  return w > 0 ? img->width / w : img->width;
}

const glyph_coverage* loaded_glyph(uint32_t font, uint32_t code) {
  if (font < first_loaded_font || font >= font_slots_max) return nullptr;
  const uintptr_t handle = font_handle[font];
  return font_flags[font] & font_unicode ? font_engine_render_code_point(handle, code)
                                         : font_engine_render_char(handle, code & 0xFF);
}

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
