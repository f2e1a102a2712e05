// Reading a page's text back: cells of text surfaces, and glyphs matched
// exactly in pixel surfaces whatever their colours.
#include <string>
#include <vector>

#include "tests/unit/screen/screen_fixture.h"

namespace {

class ScreenText : public ScreenTest {
 protected:
  // A pixel image of the given mode with a built-in font and colours, released at the end of the test.
  image_record* pixel_image(int32_t mode, int32_t font, uint32_t fg, uint32_t bg) {
    const int32_t index = image_create(640, 48, mode);
    EXPECT_NE(index, 0);
    made.push_back(index);
    image_record* img = image_at(index);
    img->font = static_cast<uint32_t>(font);
    img->colour = fg;
    img->background = bg;
    img->print_mode = 3;
    img->blend_off = 1;
    return img;
  }
  void TearDown() override {
    for (const int32_t index : made) {
      image_free_memory(image_at(index));
      image_release(index);
    }
    ScreenTest::TearDown();
  }
  std::vector<int32_t> made;
};

// Overwrites the first two set pixels of the glyph drawn at (x0, y0) with
// colour, so that no colour of the cell forms a glyph any more.
void spoil_cell(image_record* img, int32_t x0, int32_t y0, int32_t cw, int32_t ch, uint32_t fg, uint32_t colour) {
  int32_t spoiled = 0;
  for (int32_t y = y0; y < y0 + ch && spoiled < 2; ++y)
    for (int32_t x = x0; x < x0 + cw && spoiled < 2; ++x) {
      const size_t at = static_cast<size_t>(y) * img->width + x;
      if (img->bytes_per_pixel == 4) {
        auto* p = reinterpret_cast<uint32_t*>(img->data) + at;
        if (*p == fg) *p = colour, ++spoiled;
      } else if (img->data[at] == fg) {
        img->data[at] = static_cast<uint8_t>(colour), ++spoiled;
      }
    }
}

TEST_F(ScreenText, PixelCellsReadAsTheGlyphsTheyShowInEveryFontAndColourPair) {
  // Upper and lower half blocks are each other's inverse: the page's
  // background tells which colour is the glyph's.
  const std::string line = "1/4 note = 22050 samples. Caf\x82 \xDF\xDC|";
  const struct {
    int32_t mode;
    uint32_t fg, bg, other;
  } colour_pairs[] = {
      {13, 15, 0, 4},
      {13, 0, 7, 9},  // dark on light
      {13, 4, 1, 14},
      {32, 0xFFFFFFFF, 0xFF000000, 0xFF00FF00},
      {32, 0xFF102030, 0xFF405060, 0xFF102031},  // colours one step apart still differ
  };
  for (const int32_t font : {8, 9, 14, 15, 16, 17}) {
    for (const auto& c : colour_pairs) {
      SCOPED_TRACE("font " + std::to_string(font) + " colour " + std::to_string(c.fg));
      image_record* img = pixel_image(c.mode, font, c.fg, c.bg);
      const int32_t cw = font_table.width[static_cast<size_t>(font)], ch = font_table.height[static_cast<size_t>(font)];
      for (size_t i = 0; i < line.size(); ++i)
        draw_builtin_glyph(img, static_cast<uint32_t>(font), static_cast<uint8_t>(line[i]),
                           static_cast<int32_t>(i) * cw, 0, false);
      // Row 3: "A", a cell that matches no glyph, "x"; row 2 stays blank.
      draw_builtin_glyph(img, static_cast<uint32_t>(font), 'A', 0, 2 * ch, false);
      draw_builtin_glyph(img, static_cast<uint32_t>(font), 'B', 2 * cw, 2 * ch, false);
      spoil_cell(img, 2 * cw, 2 * ch, cw, ch, c.fg, c.other);
      draw_builtin_glyph(img, static_cast<uint32_t>(font), 'x', 4 * cw, 2 * ch, false);

      const std::vector<std::string> expected = {line, "", "A   x"};
      EXPECT_EQ(image_text_rows(img), expected);
    }
  }
}

TEST_F(ScreenText, TextSurfacesGiveTheirCells) {
  image_record* img = page(0);
  auto* cells = reinterpret_cast<uint16_t*>(img->data);
  const uint8_t chars[] = {'O', 'K', 0, 13, 0xB0, ' '};
  for (size_t i = 0; i < sizeof chars; ++i) cells[80 * 2 + i] = static_cast<uint16_t>(0x1700 | chars[i]);
  cells[3] = 0x0700 | 'z';
  EXPECT_EQ(image_text_rows(img), std::vector<std::string>({"   z", "", std::string("OK \x0D\xB0", 5)}));
  // A pixel page in a loaded font has no glyphs to match: nothing reads.
  image_record* loaded = pixel_image(13, 40, 15, 0);
  draw_builtin_glyph(loaded, 8, 'k', 0, 0, false);
  EXPECT_TRUE(image_text_rows(loaded).empty());
}

}  // namespace
