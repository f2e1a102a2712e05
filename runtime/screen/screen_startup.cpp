#include "runtime/screen/screen_startup.h"

#include <cstring>

#include "runtime/screen/cursor_statements.h"
#include "runtime/screen/font_tables.h"
#include "runtime/screen/glyph_tables.h"
#include "runtime/screen/image_create.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/key_definitions.h"
#include "runtime/screen/key_labels.h"
#include "runtime/screen/palettes.h"
#include "runtime/screen/printer_page.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/text_output.h"

int32_t icon_small_index = 0;
int32_t icon_large_index = 0;

namespace {

// The icon is the double-note glyph (character 14) of the 8x16 font, white on
// transparent, stretched to a square of the given size.
int32_t make_icon(int32_t size) {
  const int32_t index = image_create(size, size, 32);
  if (!index) return 0;
  image_record* img = image_at(index);
  auto* pixels = reinterpret_cast<uint32_t*>(img->data);
  const uint8_t* glyph = glyph_8x16 + 14 * 128;
  for (int32_t y = 0; y < size; ++y)
    for (int32_t x = 0; x < size; ++x)
      pixels[y * size + x] = glyph[(y * 16 / size) * 8 + x * 8 / size] ? 0xFFFFFFFFu : 0x00000000u;
  return index;
}

}  // namespace

void screen_tables_init() {
  font_tables_init();
  image_table_init();
  printer_reset();
  key_definitions_reset();
  key_line_wanted = key_line_shown = 0;
  control_chars_off = print_literal = 0;
  std::memset(text_memory, 0, sizeof text_memory);
  pending_text_cols = pending_text_rows = pending_text_font = -1;
}

void screen_palettes_init() {
  palettes_init();
  glyphs_init();
}

void screen_first_mode() {
  screen_set(0, 0, 0, 0, 0, 1);
  screen_untouched = 1;
}

void screen_icons_init() {
  icon_small_index = make_icon(16);
  icon_large_index = make_icon(32);
}
