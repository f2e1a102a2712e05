// The font tables: metrics and flags of every font number, the built-in
// glyphs expanded to one byte per pixel, the glyphs of loaded fonts, and the
// rows and columns of text an image holds in its font.
#include "runtime/image/image.h"

#include "runtime/image/detail/font_engine.h"

font_table_state font_table;

namespace {
constexpr int32_t font_slots_at_start = 49;
}

void font_table_reset() {
  for (int32_t f = 0; f < font_slots_max; ++f) {
    if (const uintptr_t handle = font_table.handle[f].exchange(0)) font_engine_release(handle);
    font_table.height[f] = font_table.width[f] = font_table.flags[f] = 0;
  }
  font_table.slots = font_slots_at_start;
  for (int32_t f : {8, 14, 16}) {
    font_table.width[f] = 8;
    font_table.width[f + 1] = 16;
    font_table.height[f] = font_table.height[f + 1] = f;
    font_table.flags[f] = font_table.flags[f + 1] = font_monospace;
  }
}

bool font_is_builtin(int64_t font) {
  return font == 8 || font == 9 || font == 14 || font == 15 || font == 16 || font == 17;
}

bool font_is_loaded(int64_t font) {
  return font >= first_loaded_font && font < font_table.slots.load() && font_table.handle[font] != 0;
}

const uint8_t* font_text_cells(uint32_t font) {
  if (font < first_loaded_font || font >= font_slots_max) return nullptr;
  return font_engine_text_cells(font_table.handle[font].load());
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
  const uintptr_t handle = font_table.handle[font];
  return font_table.flags[font] & font_unicode ? font_engine_render_code_point(handle, code)
                                         : font_engine_render_char(handle, code & 0xFF);
}

