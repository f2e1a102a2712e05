// The screen's part of start-up (tables, palettes and glyphs, the first text
// screen, the window icon's images) and the release of the program's images.
#include "runtime/screen/screen.h"

#include <cstring>

#include "runtime/screen/detail/screen_internals.h"

void free_program_images() {
  for (int32_t i = 2; i < image_slots_used(); ++i) {
    const image_record* img = image_at(i);
    // The window icon's images and the printer page belong to the runtime.
    const bool runtime_own = i == icon_images.small_index || i == icon_images.large_index || is_printer_page(img);
    if (img->valid && !(img->flags & image_is_page) && !runtime_own) release_image(i);
  }
}

icon_images_state icon_images;

namespace {

// The icon is the double-note glyph (character 14) of the 8x16 font, white on
// transparent, stretched to a square of the given size.
int32_t make_icon(int32_t size) {
  const int32_t index = image_create(size, size, 32);
  if (!index) return 0;
  image_record* img = image_at(index);
  auto* pixels = reinterpret_cast<uint32_t*>(img->data);
  const uint8_t* glyph = builtin_glyph_of(16, 14).pixels;
  for (int32_t y = 0; y < size; ++y)
    for (int32_t x = 0; x < size; ++x)
      pixels[y * size + x] = glyph[(y * 16 / size) * 8 + x * 8 / size] ? 0xFFFFFFFFu : 0x00000000u;
  return index;
}

}  // namespace

void screen_tables_init() {
  text_switches_reset();
  text_switches.form_feed_clear = [] { cls(0, 0, 0); };
  font_table_reset();
  image_table_reset();
  printer_reset();
  key_definitions_reset();
  key_line_reset();
  vga_ports_reset();
  video_memory_reset();
  screen_setup_reset();
}

void screen_first_mode() {
  screen_set(0, 0, 0, 0, 0, 1);
  screen_setup.untouched = 1;
}

void screen_icons_init() {
  icon_images.small_index = make_icon(16);
  icon_images.large_index = make_icon(32);
}
