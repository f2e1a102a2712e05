// The built-in glyph lookup by font number and the coverage mix that glyph
// drawing, the frame builder and the window icon share.
#include <gtest/gtest.h>

#include <cstdint>

#include "runtime/image/image.h"

namespace {

TEST(CoverageMix, EachChannelMovesFromBackgroundToForegroundRoundedToNearest) {
  struct mix_case {
    uint32_t fg, bg, coverage, expected;
  };
  const mix_case cases[] = {
      {0x12345678u, 0x9ABCDEF0u, 0, 0x9ABCDEF0u},     // none: the background, alpha too
      {0x12345678u, 0x9ABCDEF0u, 255, 0x12345678u},   // full: the foreground
      {0x7F7F7F7Fu, 0x00000000u, 200, 0x64646464u},   // 99.6 rounds up to 100
      {0x80808080u, 0x00000000u, 200, 0x64646464u},   // 100.4 rounds down to 100
      {0x00FF8040u, 0xFF000000u, 64, 0xBF402010u},    // 191, 64, 32.1, 16.1 per channel
      {0x00000000u, 0xFFFFFFFFu, 1, 0xFEFEFEFEu},     // 254 of 255 left of the background
  };
  for (const mix_case& c : cases)
    EXPECT_EQ(coverage_mix(c.fg, c.bg, c.coverage), c.expected)
        << std::hex << c.fg << " " << c.bg << " " << c.coverage;
}

TEST(BuiltinGlyph, FontsPickTheirTableRowsAndWidth) {
  struct glyph_case {
    uint32_t font;
    const uint8_t* pixels;
    int32_t rows, repeat;
  };
  const uint8_t code = 'A';
  const glyph_case cases[] = {
      {8, glyph_8x8.data() + code * 64, 8, 1},         {9, glyph_8x8.data() + code * 64, 8, 2},
      {14, glyph_8x16.data() + code * 128 + 8, 14, 1}, {15, glyph_8x16.data() + code * 128 + 8, 14, 2},
      {16, glyph_8x16.data() + code * 128, 16, 1},     {17, glyph_8x16.data() + code * 128, 16, 2},
  };
  for (const glyph_case& c : cases) {
    const builtin_glyph g = builtin_glyph_of(c.font, code);
    EXPECT_EQ(g.pixels, c.pixels) << c.font;
    EXPECT_EQ(g.rows, c.rows) << c.font;
    EXPECT_EQ(g.repeat, c.repeat) << c.font;
  }
  // The 14-row fonts drop the top and bottom rows of the 8x16 shape.
  for (int32_t y = 0; y < 14; ++y)
    for (int32_t x = 0; x < 8; ++x)
      EXPECT_EQ(builtin_glyph_of(14, code).pixels[y * 8 + x] != 0,
                ((glyph_rows_8x16[code][y + 1] >> (7 - x)) & 1) != 0);
  for (const uint32_t font : {0u, 7u, 10u, 13u, 18u, 32u, 1023u})
    EXPECT_EQ(builtin_glyph_of(font, code).pixels, nullptr) << font;
}

}  // namespace
