#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "tests/unit/graphics/graphics_fixture.h"

namespace {

using PaintFillTest = GraphicsTest;
using namespace std::string_literals;
constexpr int32_t both_colours = paint_colour_given | paint_border_given;

TEST_F(PaintFillTest, BorderRules) {
  const struct {
    const char* name;
    float x, y;
    uint32_t fill, border;
    int32_t flags;
    uint32_t inside, ring, outside;  // colour of (5, 5), of the box, of (0, 0) afterwards
  } cases[] = {
      {"inside, border 4", 5, 5, 2, 4, both_colours, 2, 4, 0},
      {"a fill started on the border", 3, 3, 2, 4, both_colours, 0, 4, 0},
      {"other colours are painted over", 0, 0, 2, 9, both_colours, 2, 2, 2},
      {"masked colours: 0x14 is border 4", 5, 5, 0x12, 0x14, both_colours, 2, 4, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    use_image(12, 12, 12);
    line_draw(3, 3, 8, 8, 4, line_kind_box, 0, line_first_given | line_colour_given);
    paint_fill(c.x, c.y, c.fill, c.border, c.flags);
    EXPECT_EQ((std::array<uint32_t, 4>{pixel(5, 5), pixel(8, 4), pixel(0, 0), write_image->draw_colour}),
              (std::array<uint32_t, 4>{c.inside, c.ring, c.outside, c.fill & 15}));
  }
}

TEST_F(PaintFillTest, StopsAtThePort) {
  use_image(20, 20, 13);
  view(5, 5, 14, 14, 0, 0, 1);
  paint_fill(3, 3, 7, 9, both_colours);
  EXPECT_EQ(drawn(), run(5, 5, 14, 14));
  EXPECT_EQ(drawn(7).size(), 300u);  // all of them 7
}

TEST_F(PaintFillTest, ThirtyTwoBitVariants) {
  const struct {
    uint8_t blend_off;
    uint32_t fill, inside;
  } cases[] = {
      {0, 0x00FFFFFF, 0xFF102030},  // alpha 0: unchanged, the region still examined
      {0, 0x80FFFFFF, 0xFF878F97},  // averaged channels
      {1, 0x00ABCDEF, 0x00ABCDEF},  // stored unchanged
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.fill);
    image_record* img = use_image(10, 10, 32);
    img->blend_off = c.blend_off;
    for (int32_t y = 0; y < 10; ++y)
      for (int32_t x = 0; x < 10; ++x) set_pixel(x, y, y == 4 ? 0xFF0000FF : 0xFF102030);
    EXPECT_EQ(paint_fill_counted(2, 2, c.fill, 0xFF0000FF, both_colours), 50);  // 40 inside, 10 of the border
    EXPECT_EQ(pixel(9, 0), c.inside);
    EXPECT_EQ(pixel(9, 9), 0xFF102030u);
  }
}

// An H-tree of one-pixel corridors of colour 0 in border colour 1: over a
// million corridor pixels in 4^9 branches, each reached by turns.
void h_tree(int32_t cx, int32_t cy, int32_t half, int32_t levels) {
  for (int32_t x = cx - half; x <= cx + half; ++x) GraphicsTest::set_pixel(x, cy, 0);
  for (int32_t side : {-half, half}) {
    for (int32_t y = cy - half; y <= cy + half; ++y) GraphicsTest::set_pixel(cx + side, y, 0);
    if (levels > 1) {
      h_tree(cx + side, cy - half, half / 2, levels - 1);
      h_tree(cx + side, cy + half, half / 2, levels - 1);
    }
  }
}

TEST_F(PaintFillTest, FrontsLargerThanTheFirstArraysGrowThem) {
  image_record* img = use_image(2048, 2048, 256);
  const size_t pixels = 2048 * 2048;
  std::memset(img->data, 1, pixels);
  h_tree(1024, 1024, 512, 9);
  const std::vector<uint8_t> before(img->data, img->data + pixels);
  paint_fill(1024, 1024, 2, 1, both_colours);
  size_t corridor = 0, wrong = 0;
  for (size_t i = 0; i < pixels; ++i) {
    corridor += before[i] == 0;
    wrong += img->data[i] != (before[i] == 0 ? 2 : 1);
  }
  EXPECT_GT(corridor, 1000000u);
  EXPECT_EQ(wrong, 0u);
  // The examined map was cleared: the same fill again reaches everything again.
  paint_fill(1024, 1024, 3, 1, both_colours);
  EXPECT_EQ(pixel(1024 - 512 - 256, 1024 - 512), 3u);

  // A comb: open even rows joined by every other pixel of the odd rows. Each
  // open row leaves about a thousand one-pixel runs waiting, far more than
  // the first array holds, and every open pixel is reached.
  for (size_t i = 0; i < pixels; ++i) img->data[i] = ((i / 2048) % 2 == 1 && i % 2 == 1) ? 1 : 0;
  paint_fill(0, 0, 2, 1, both_colours);
  EXPECT_GT(fill_front_capacity(), fill_front_start);
  wrong = 0;
  for (size_t i = 0; i < pixels; ++i) wrong += img->data[i] != (((i / 2048) % 2 == 1 && i % 2 == 1) ? 1 : 2);
  EXPECT_EQ(wrong, 0u);
}

// Random walls (border colour 1) at several densities: PAINT from the centre
// paints exactly the 4-connected open region a plain pixel walk finds, and
// counts the pixels that walk examines (the region and the walls around it).
TEST_F(PaintFillTest, RandomWallsFillWhatAPixelWalkReaches) {
  constexpr int32_t w = 61, h = 47;
  uint32_t seed = 12345;
  for (int32_t density : {10, 30, 45, 55}) {
    SCOPED_TRACE(density);
    image_record* img = use_image(w, h, 256);
    for (int32_t i = 0; i < w * h; ++i) {
      seed = seed * 1103515245u + 12345u;
      img->data[i] = static_cast<int32_t>((seed >> 16) % 100) < density ? 1 : 0;
    }
    const int32_t start = (h / 2) * w + w / 2;
    img->data[start] = 0;
    std::vector<uint8_t> expect(img->data, img->data + w * h), seen(w * h, 0);
    std::vector<int32_t> todo{start};
    seen[start] = 1;
    int64_t examined = 1;
    while (!todo.empty()) {
      const int32_t at = todo.back();
      todo.pop_back();
      expect[at] = 2;
      const int32_t x = at % w, y = at / w;
      for (int32_t n : {x > 0 ? at - 1 : -1, x < w - 1 ? at + 1 : -1, y > 0 ? at - w : -1, y < h - 1 ? at + w : -1}) {
        if (n < 0 || seen[n]) continue;
        seen[n] = 1;
        ++examined;
        if (expect[n] != 1) todo.push_back(n);
      }
    }
    EXPECT_EQ(paint_fill_counted(w / 2, h / 2, 2, 1, both_colours), examined);
    EXPECT_EQ(std::vector<uint8_t>(img->data, img->data + w * h), expect);
  }
}

TEST_F(PaintFillTest, TilesByBitsPerPixel) {
  const struct {
    const char* name;
    int32_t mode;
    std::string tile;
    std::array<uint32_t, 4> colours;  // painted at (0, 0), (1, 0), (0, 1), (7, 3)
  } cases[] = {
      {"1 bit: a byte a row, highest bit first", 11, "\xAA\x55"s, {1, 0, 0, 1}},
      {"2 bits: four pairs a row", 1, "\x1B\xE4"s, {0, 1, 3, 0}},
      {"4 bits: four planes a row, plane k is bit k", 12, "\x80\x80\0\x80\x01\x01\x01\x01"s, {11, 0, 0, 15}},
      {"8 bits: a byte a row, one pixel wide", 13, "\x07\x08\x09"s, {7, 7, 8, 7}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    image_record* img = use_image(16, 8, c.mode);
    img->colour = 0;  // no border by default: the whole image is the region
    const uint32_t border = img->mask == 1 ? 1 : img->mask - 1;
    set_pixel(15, 7, border);
    paint_tile(8, 4, text(c.tile), border, nullptr, paint_colour_given | paint_border_given);
    ASSERT_EQ(take_error(), 0);
    EXPECT_EQ((std::array<uint32_t, 4>{pixel(0, 0), pixel(1, 0), pixel(0, 1), pixel(7, 3)}), c.colours);
    EXPECT_EQ(pixel(15, 7), border);
  }
}

TEST_F(PaintFillTest, TileErrorsAndTheStartRule) {
  const struct {
    int32_t mode;
    std::string tile, background;
    int32_t flags;
    int32_t error;
  } cases[] = {
      {12, "\x01", "", 0, 5},  // no tile
      {12, std::string(256, 'x'), "", paint_colour_given, 0},
      {12, std::string(257, 'x'), "", paint_colour_given, 5},
      {13, std::string(65, 'x'), "", paint_colour_given, 5},
      {13, "x", "", paint_colour_given | paint_background_given, 5},
      {13, "x", std::string(256, 'y'), paint_colour_given | paint_background_given, 5},
      {32, "x", "", paint_colour_given, 5},  // 32-bit pixels have no tile decoding
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << " " << c.tile.size() << " " << c.background.size());
    use_image(8, 8, c.mode);
    paint_tile(1, 1, text(c.tile), 0, text(c.background), c.flags);
    EXPECT_EQ(take_error(), c.error);
  }
  // A start pixel already holding its tile colour stops the fill, unless that is the background.
  // Here the tile is colour 1 in every fourth column, and a background of four 01 pairs is colour 1.
  for (const bool background : {false, true}) {
    use_image(8, 8, 1);
    set_pixel(0, 0, 1);
    const int32_t flags = paint_colour_given | paint_border_given | (background ? paint_background_given : 0);
    paint_tile(0, 0, text("\x40"), 3, text("\x55"), flags);
    EXPECT_EQ(drawn().size(), background ? 16u : 1u) << background;
  }
}

}  // namespace
