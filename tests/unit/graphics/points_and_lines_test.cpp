#include <array>

#include "tests/unit/graphics/graphics_fixture.h"

namespace {

using PointsAndLinesTest = GraphicsTest;

TEST_F(PointsAndLinesTest, PixelStoreByFormatAndAlpha) {
  struct {
    int32_t mode;
    uint8_t blend_off;
    uint32_t before, colour, after;
  } cases[] = {
      {12, 0, 0, 0x1F, 0x0F},                         // one byte: colour AND mask
      {32, 1, 0xFF000000, 0x40123456, 0x40123456},    // blending off: as given
      {32, 0, 0xFF000000, 0xFF123456, 0xFF123456},    // opaque: replaces
      {32, 0, 0xFF654321, 0x00FFFFFF, 0xFF654321},    // alpha 0: unchanged
      {32, 0, 0xFF204060, 0x80FF8000, 0xFF8F6030},    // 0x80: channel averages, alpha by table
      {32, 0, 0x00204060, 0x7F0000FF, 0x7F1020AF},    // 0x7F over alpha 0
      {32, 0, 0xFF000000, 0x40FFFFFF, 0xFF404040},    // other alphas: the blending tables
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.colour);
    image_record* img = use_image(4, 4, c.mode);
    img->blend_off = c.blend_off;
    set_pixel(1, 2, c.before);
    pixel_store(img, 1, 2, c.colour);
    EXPECT_EQ(pixel(1, 2), c.after);
  }
}

TEST_F(PointsAndLinesTest, PointsInsideTheImageOrThePort) {
  // Plain pixel coordinates reach outside a narrowed port; logical ones stop at it.
  struct {
    coordinate_mode coord_mode;
    float x, y;
    bool drawn;
  } cases[] = {{coords_pixels, 2, 2, true}, {coords_pixels, 19, 19, true}, {coords_pixels, 20, 5, false}, {coords_pixels, -1, 5, false},
               {coords_view_offset, 2, 2, false}, {coords_view_offset, 5, 5, true}, {coords_view_offset, 10, 10, true}, {coords_view_offset, 11, 10, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.coord_mode) << " " << c.x << "," << c.y);
    image_record* img = use_image(20, 20, 13);
    img->view_x1 = img->view_y1 = 5;
    img->view_x2 = img->view_y2 = 10;
    img->coord_mode = c.coord_mode;
    point_set(c.x, c.y, 9, point_colour_given);
    EXPECT_EQ(drawn().size(), c.drawn ? 1u : 0u);
    EXPECT_EQ(img->gfx_x, c.x);
    EXPECT_EQ(img->draw_colour, 9u);
  }
}

TEST_F(PointsAndLinesTest, DefaultColoursAndMapping) {
  image_record* img = use_image(40, 40, 13);
  img->colour = 3;
  img->background = 7;
  point_set(10, 10, 0, 0);
  point_reset(12, 7, 0, 0);  // PRESET without a colour: the background
  point_set(2.5f, 3.5f, 1, point_colour_given);  // ties round to even
  view(10, 10, 30, 30, 0, 0, 1);
  window(0, 0, 10, 10, 3);  // logical 0..10 across the 20-pixel port, plus its offset
  point_set(5, 5, 4, point_colour_given);
  EXPECT_EQ((std::array<uint32_t, 4>{pixel(10, 10), pixel(12, 7), pixel(2, 4), pixel(20, 20)}),
            (std::array<uint32_t, 4>{3, 7, 1, 4}));
}

TEST_F(PointsAndLinesTest, LineStepsAlongTheLongerAxis) {
  struct {
    float x1, y1, x2, y2;
    points pixels;
  } cases[] = {
      // One pixel per x; y from a float stepping by 1/3, rounded half away from zero.
      {0, 0, 9, 3, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 2}, {6, 2}, {7, 2}, {8, 3}, {9, 3}}},
      {9, 3, 0, 0, {{9, 3}, {8, 3}, {7, 2}, {6, 2}, {5, 2}, {4, 1}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}},
      {0, 0, 2, 2, {{0, 0}, {1, 1}, {2, 2}}},  // a tie: y leads
      {3, 1, 3, 1, {{3, 1}}},
      {2, 0, 0, 1, {{2, 0}, {1, 1}, {0, 1}}},  // 0.5 rounds away from zero
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2);
    use_image(12, 6, 13);
    line_draw(c.x1, c.y1, c.x2, c.y2, 5, line_kind_line, 0, line_first_given | line_colour_given);
    EXPECT_EQ(drawn(), c.pixels);
  }
}

TEST_F(PointsAndLinesTest, StyleKeepsItsPhaseWhenTheStartIsClipped) {
  // 0xF0F0: four drawn, four skipped; the first six pixels of the line lie left of the port.
  const points expected = {{2, 5}, {3, 5}, {4, 5}, {5, 5}, {10, 5}, {11, 5}, {12, 5}, {13, 5}, {18, 5}, {19, 5}};
  use_image(20, 10, 13);
  line_draw(-6, 5, 25, 5, 5, line_kind_line, 0xF0F0, line_first_given | line_colour_given | line_style_given);
  EXPECT_EQ(drawn(), expected);
  // The same through a narrowed port (with view offsets): clipped at its left edge.
  image_record* img = use_image(40, 20, 13);
  view(10, 0, 29, 19, 0, 0, 1 | 2);
  ASSERT_EQ(img->coord_mode, 1);
  line_draw(4, 5, 35, 5, 5, line_kind_line, 0xF0F0, line_first_given | line_colour_given | line_style_given);
  points shifted;
  for (const auto& [x, y] : expected) shifted.insert({x + 10, y});
  EXPECT_EQ(drawn(), shifted);
}

TEST_F(PointsAndLinesTest, LinePointsAndTheGraphicsPoint) {
  struct {
    float x1, y1, x2, y2;
    int32_t flags;
    points pixels;
    point after;
  } cases[] = {
      {20, 20, 22, 20, line_first_given, row(20, 22, 20), {22, 20}},
      {0, 0, 22, 20, 0, row(17, 22, 20), {22, 20}},  // from the last graphics point (17, 20)
      // The second point measured from the first, not from the old graphics point.
      {20, 20, 3, 0, line_first_given | line_second_relative, row(20, 23, 20), {23, 20}},
      {1, -2, 3, 0, line_first_given | line_first_relative | line_second_relative, row(18, 21, 18), {21, 18}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    image_record* img = use_image(40, 40, 13);
    img->gfx_x = 17;
    img->gfx_y = 20;
    line_draw(c.x1, c.y1, c.x2, c.y2, 5, line_kind_line, 0, c.flags | line_colour_given);
    EXPECT_EQ(drawn(), c.pixels);
    EXPECT_EQ(graphics_point(), c.after);
  }
}

TEST_F(PointsAndLinesTest, BoxCornersAreDrawnTwice) {
  image_record* img = use_image(8, 8, 32);
  fill_all(0xFF000000);
  line_draw(2, 2, 5, 4, 0x80FFFFFF, line_kind_box, 0, line_first_given | line_colour_given);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) {
      const bool corner = (x == 2 || x == 5) && (y == 2 || y == 4);
      const bool edge = ((x == 2 || x == 5) && y >= 2 && y <= 4) || ((y == 2 || y == 4) && x >= 2 && x <= 5);
      EXPECT_EQ(pixel(x, y), corner ? 0xFFBEBEBEu : edge ? 0xFF7F7F7Fu : 0xFF000000u) << x << "," << y;
    }
  // BF fills the same box once, clamped to the port.
  img->blend_off = 1;
  line_draw(-5, 6, 100, 7, 0x11223344, line_kind_filled_box, 0, line_first_given | line_colour_given);
  EXPECT_EQ(pixel(0, 6), 0x11223344u);
  EXPECT_EQ(pixel(7, 7), 0x11223344u);
  EXPECT_EQ(pixel(7, 5), 0xFF000000u);
}

TEST_F(PointsAndLinesTest, ClipTriesTheEdgesInOrder) {
  const pixel_port port{10, 10, 29, 19};
  struct {
    int32_t ax, ay, bx, by;
    bool visible;
    int32_t cax, cay, cbx, cby, phase;
  } cases[] = {
      {0, 15, 40, 15, true, 10, 15, 29, 15, 10},
      {40, 15, 0, 15, true, 29, 15, 10, 15, 11},
      {15, 0, 15, 30, true, 15, 10, 15, 19, 10},
      {0, 0, 5, 5, false, 0, 0, 0, 0, 0},      // both beyond the same edges
      {5, 12, 5, 12, false, 0, 0, 0, 0, 0},    // a single point outside
      {12, 12, 12, 12, true, 12, 12, 12, 12, 0},
      {0, 0, 40, 5, false, 0, 0, 0, 0, 0},     // passes above the corner
      // Left of the port and above it: the left edge is tried first and misses
      // (y = 5), the top edge takes it (x = 20); the far end crosses the right
      // edge at y = 14.5, which rounds to the even 14.
      {0, 0, 40, 20, true, 20, 10, 29, 14, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.ax << "," << c.ay << "-" << c.bx << "," << c.by);
    int32_t ax = c.ax, ay = c.ay, bx = c.bx, by = c.by, phase = -1;
    ASSERT_EQ(line_clip(port, &ax, &ay, &bx, &by, &phase), c.visible);
    if (!c.visible) continue;
    EXPECT_EQ((std::array<int32_t, 5>{ax, ay, bx, by, phase}), (std::array<int32_t, 5>{c.cax, c.cay, c.cbx, c.cby, c.phase}));
  }
}

}  // namespace
