// Loading a font from any bytes, then drawing every character of it on each
// pixel depth, measuring, printing at a position and showing it on a text
// screen. The first byte picks the height, the second the option flags; the
// rest is the font file. Whatever the file says, a glyph must keep to its
// cell's height and to bounded advances, and nothing may be read or written
// outside memory.
//
// The seed corpus (tests/corpus/font_file_fuzz) holds small fonts made by
// tools/make_font_seeds.py: subsets of DejaVu faces (free licence), fonts
// built from scratch in the TrueType, CFF and BDF formats, and cut copies.
#include <string>

#include "runtime/display/display.h"
#include "runtime/gpu/gpu.h"
#include "runtime/image/detail/font_engine.h"
#include "runtime/screen/screen.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr int32_t heights = 48;

void screens_begin() {
  static const bool started = [] {
    hardware_images_init();
    screen_tables_init();
    screen_first_mode();
    frame_ring_reset();
    return true;
  }();
  (void)started;
}

void check_glyph(const glyph_coverage* g, int32_t height, int32_t fixed) {
  if (!g) return;
  FUZZ_CHECK(g->height == height);
  FUZZ_CHECK(g->left <= 0 && g->left >= -height);
  FUZZ_CHECK(g->advance >= 0 && g->advance <= 4 * height);
  FUZZ_CHECK(g->width >= g->advance - g->left && g->width <= g->advance + 2 * height);
  if (fixed) FUZZ_CHECK(g->advance == fixed);
  if (g->width > 0) FUZZ_CHECK(g->pixels != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_begin();
  screens_begin();
  fuzz_reader in{data, size};
  const int32_t height = 1 + static_cast<int32_t>(in.take(1) % heights);
  const int32_t flags = static_cast<int32_t>(in.take(1) & 63);
  const uint32_t mark = str_temp_mark();
  const int32_t font = load_font_bytes(in.rest(), in.rest_size(), height, flags);
  if (font < 0) {
    FUZZ_CHECK(font == -1);
    fuzz_end(mark);
    return 0;
  }
  FUZZ_CHECK(font_is_loaded(font) && font_table.height[font] == height && font_table.flags[font] == flags);
  const int32_t fixed = font_table.width[font];
  FUZZ_CHECK(fixed >= 0 && fixed <= 4 * height);
  if (flags & font_monospace) FUZZ_CHECK(fixed >= 1);

  std::string all(256, ' ');
  for (int32_t c = 0; c < 256; ++c) {
    all[c] = static_cast<char>(c);
    check_glyph(font_engine_render_char(font_table.handle[font], static_cast<uint32_t>(c)), height, fixed);
  }
  // Code points from the file's own bytes, some of them far outside Unicode.
  for (int32_t i = 0; i + 4 <= static_cast<int32_t>(in.rest_size()) && i < 64; i += 4) {
    uint32_t code_point = 0;
    for (int32_t k = 0; k < 4; ++k) code_point |= uint32_t{in.rest()[i + k]} << (8 * k);
    check_glyph(font_engine_render_code_point(font_table.handle[font], code_point), height, fixed);
  }

  str_desc* text = str_from_text(all.data(), static_cast<uint32_t>(all.size()));
  const int32_t depths[] = {13, 32};
  for (const int32_t mode : depths) {
    const int32_t handle = new_image(97, height + 3, mode, 1);
    image_record* img = image_at(-handle);
    img->colour = mode == 32 ? 0x80FFC040 : 14;
    set_image_font(font, handle, 1);
    FUZZ_CHECK(error_report.pending.load() == 0);
    print_at(-3, 1, text, handle, 2);
    img->print_mode = 2;
    print_at(40, -2, text, handle, 2);
    FUZZ_CHECK(text_width(text, handle, 1) >= 0);
    free_image(handle, 1);
  }

  // A text screen takes a monospace font whose cells are small enough; its
  // frame is built for the small heights only, to keep the runs quick.
  if ((flags & font_monospace) && height <= 16) {
    set_image_font(font, 0, 0);
    if (error_report.pending.load() == 0) {
      FUZZ_CHECK(font_text_cells(font) != nullptr);
      display_link.prev_valid = 0;
      build_software_frame();
      set_image_font(16, 0, 0);
    }
    error_report.pending.store(0);
  }
  free_font(font);
  FUZZ_CHECK(error_report.pending.load() == 0 && !font_is_loaded(font));
  fuzz_end(mark);
  return 0;
}
