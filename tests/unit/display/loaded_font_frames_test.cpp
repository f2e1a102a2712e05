// Text screens in a loaded monospace font: frames drawn from the font's cells,
// and frames built on another thread while the program thread loads, prints
// in, switches and frees fonts.
#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/display/display.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "tests/unit/display/frame_fixture.h"

namespace {

class LoadedFontFrames : public FrameTest {
 protected:
  int32_t load(const char* name, int32_t height, const char* options) {
    return load_font(text(name), height, options ? text(options) : nullptr, options ? 1 : 0);
  }
  // The pixels of text cell (0, 0) holding attribute attr, as the font's
  // coverage mixes the attribute's colours (built-in fonts: set or clear).
  static std::vector<uint32_t> cell_picture(int32_t font, uint8_t c, uint8_t attr) {
    const uint32_t fg = palette_get(page(0)->palette, attr & 0x0F), bg = palette_get(page(0)->palette, (attr >> 4) & 7);
    const int32_t cw = font_table.width[font], ch = font_table.height[font];
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < ch; ++y) {
      for (int32_t x = 0; x < cw; ++x) {
        if (font < first_loaded_font) {
          out.push_back(glyph_8x16[c * 128 + y * 8 + x] ? fg : bg);
          continue;
        }
        const uint32_t cover = font_text_cells(font)[(c * ch + y) * cw + x];
        uint32_t pixel = 0;
        for (int32_t s = 0; s < 32; s += 8)
          pixel |= ((((fg >> s) & 0xFF) * cover + ((bg >> s) & 0xFF) * (255 - cover) + 127) / 255) << s;
        out.push_back(pixel);
      }
    }
    return out;
  }
  static std::vector<uint32_t> cell_of(const software_frame* f, int32_t cw, int32_t ch) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < ch; ++y)
      for (int32_t x = 0; x < cw; ++x) out.push_back(f->pixels[y * f->width + x]);
    return out;
  }
};

TEST_F(LoadedFontFrames, TextScreenCellsComeFromTheLoadedFont) {
  const int32_t proportional = load("DejaVu Sans", 20, nullptr);
  set_image_font(proportional, 0, 0);
  EXPECT_EQ(take_error(), 5);
  const int32_t mono = load("DejaVu Sans Mono", 20, "monospace");
  set_image_font(mono, 0, 0);
  ASSERT_EQ(take_error(), 0);
  for (int32_t p = 0; p < 8; ++p) EXPECT_EQ(page(p)->font, static_cast<uint32_t>(mono));

  // The cells are the engine's glyphs cut at the cell, pen on its left edge.
  const int32_t cw = font_table.width[mono], ch = font_table.height[mono];
  const glyph_coverage* a = loaded_glyph(mono, 'A');
  for (int32_t y = 0; y < ch; ++y)
    for (int32_t x = 0; x < cw; ++x)
      ASSERT_EQ(font_text_cells(mono)[('A' * ch + y) * cw + x], a->pixels[y * a->width + x - a->left]) << x << "," << y;

  page(0)->cursor_visible = 0;
  put_cell(page(0), 0, 0, 'A', 0x1E);
  const software_frame* f = build_whole();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->width, 80 * cw);
  EXPECT_EQ(f->height, 25 * ch);
  const std::vector<uint32_t> want = cell_picture(mono, 'A', 0x1E);
  EXPECT_EQ(cell_of(f, cw, ch), want);
  EXPECT_GT(std::count(want.begin(), want.end(), palette_get(page(0)->palette, 14)), cw);
  free_font(mono);
  EXPECT_EQ(take_error(), 5);  // the pages use it
}

// The frame builder runs on its own thread as the main loop runs it, while
// the program thread loads fonts (the tables grow), prints in them (the
// engine's caches change), moves the text screen between two loaded fonts and
// a built-in one, and frees fonts no image uses. Every frame built must show
// cell (0, 0) exactly as the font its size names draws it. Under
// ThreadSanitizer the same test checks that the builder and the program
// thread share nothing without ordering.
TEST_F(LoadedFontFrames, FontsLoadAndFreeWhileFramesAreBuilt) {
  const int32_t small = load("DejaVu Sans Mono", 18, "monospace");
  const int32_t large = load("DejaVu Sans Mono", 31, "monospace, bold");
  ASSERT_GT(small, 0);
  ASSERT_GT(large, 0);
  const int32_t cycle[] = {small, 16, large};
  page(0)->cursor_visible = 0;
  put_cell(page(0), 0, 0, 'A', 0x1E);
  std::map<std::pair<int32_t, int32_t>, std::pair<int32_t, std::vector<uint32_t>>> by_cell;  // (cw, ch) -> font, cell
  for (const int32_t font : cycle) {
    set_image_font(font, 0, 0);  // makes the loaded fonts' cells before the builder starts
    by_cell[{font_table.width[font], font_table.height[font]}] = {font, cell_picture(font, 'A', 0x1E)};
  }
  ASSERT_EQ(by_cell.size(), 3u);

  display_link.ready = 1;  // font changes of text pages now wait for the builder
  std::atomic<bool> stop{false};
  std::atomic<int32_t> checked{0}, wrong{0};
  std::thread builder([&] {
    while (!stop.load()) {
      build_software_frame();
      const software_frame* f = published();
      if (!f) continue;
      const auto found = by_cell.find({f->width / 80, f->height / 25});
      if (found == by_cell.end() || f->width % 80 || f->height % 25 ||
          cell_of(f, f->width / 80, f->height / 25) != found->second.second)
        wrong.fetch_add(1);
      checked.fetch_add(1);
    }
  });

  const int32_t scratch = new_image(400, 40, 32, 1);
  std::deque<int32_t> held;
  int32_t most_slots = 0;
  // 120 rounds, and more while the builder has had fewer than 51 frames (a
  // loaded machine may starve its thread), up to 2,000.
  for (int32_t i = 0; i < 120 || (checked.load() <= 50 && i < 2000); ++i) {
    for (int32_t k = 0; k < 3; ++k) {
      const int32_t font = load("DejaVu Sans", 8 + (i * 3 + k) % 40, (k & 1) ? "italic" : nullptr);
      ASSERT_GT(font, 0);
      held.push_back(font);
      set_image_font(font, scratch, 1);
      print_at(0, 0, text("Glyphs while frames are built"), scratch, 2);
    }
    set_image_font(16, scratch, 1);
    while (held.size() > 90) {
      free_font(held.front());
      ASSERT_EQ(take_error(), 0);
      held.pop_front();
    }
    most_slots = std::max(most_slots, font_table.slots.load());
    set_image_font(cycle[i % 3], 0, 0);
    ASSERT_EQ(take_error(), 0);
    put_cell(page(0), 1 + i % 79, 3, static_cast<uint8_t>('a' + i % 26), 0x07);  // something changes every round
  }
  stop = true;
  builder.join();
  display_link.ready = 0;
  EXPECT_GT(most_slots, 49 + 60);  // the tables grew while frames were built
  EXPECT_GT(checked.load(), 50);
  EXPECT_EQ(wrong.load(), 0) << checked.load();
}

}  // namespace
