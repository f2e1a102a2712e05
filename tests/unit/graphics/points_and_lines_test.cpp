#include <array>
#include <cstdlib>

#include "tests/unit/graphics/graphics_fixture.h"

namespace {

using PointsAndLinesTest = GraphicsTest;

TEST_F(PointsAndLinesTest, PointsWhereAndInWhatColour) {
  const struct {
    const char* name;
    coordinate_mode mode;
    bool reset;
    float x, y;
    int32_t flags;
    points pixels;
    uint32_t value;
  } cases[] = {
      {"pixel coordinates reach outside the port", coords_pixels, false, 2, 2, point_colour_given, {{2, 2}}, 9},
      {"but not outside the image", coords_pixels, false, 20, 5, point_colour_given, {}, 0},
      {"logical coordinates stop at the port", coords_view_offset, false, 2, 2, point_colour_given, {}, 0},
      {"the port's corner", coords_view_offset, false, 10, 10, point_colour_given, {{10, 10}}, 9},
      {"PRESET without a colour: the background", coords_pixels, true, 12, 7, 0, {{12, 7}}, 7},
      {"ties round to even", coords_pixels, false, 2.5f, 3.5f, point_colour_given, {{2, 4}}, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    image_record* img = use_image(20, 20, 13);
    img->view_x1 = img->view_y1 = 5;
    img->view_x2 = img->view_y2 = 10;
    img->coord_mode = c.mode;
    img->background = 7;
    (c.reset ? point_reset : point_set)(c.x, c.y, 9, c.flags);
    EXPECT_EQ(drawn(), c.pixels);
    for (const auto& [x, y] : c.pixels) EXPECT_EQ(pixel(x, y), c.value);
  }
}

TEST_F(PointsAndLinesTest, LinePixelsAndTheGraphicsPoint) {
  // One pixel per x; y from a float stepping by 1/3, rounded half away from zero.
  const points nine_by_three{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 2}, {6, 2}, {7, 2}, {8, 3}, {9, 3}};
  const struct {
    float x1, y1, x2, y2;
    int32_t flags;
    points pixels;
    point after;
  } cases[] = {
      {0, 0, 9, 3, line_first_given, nine_by_three, {9, 3}},
      {9, 3, 0, 0, line_first_given, nine_by_three, {0, 0}},
      {2, 0, 0, 1, line_first_given, {{2, 0}, {1, 1}, {0, 1}}, {0, 1}},  // 0.5 rounds away from zero
      {0, 0, 22, 20, 0, run(17, 20, 22, 20), {22, 20}},                   // from the last point (17, 20)
      // The second point measured from the first, not from the old graphics point.
      {20, 20, 3, 0, line_first_given | line_second_relative, run(20, 20, 23, 20), {23, 20}},
      {1, -2, 3, 0, line_first_given | line_first_relative | line_second_relative, run(18, 18, 21, 18), {21, 18}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2 << " flags " << c.flags);
    image_record* img = use_image(40, 40, 13);
    img->gfx_x = 17;
    img->gfx_y = 20;
    line_draw(c.x1, c.y1, c.x2, c.y2, 5, line_kind_line, 0, c.flags | line_colour_given);
    EXPECT_EQ(drawn(), c.pixels);
    EXPECT_EQ(graphics_point(), c.after);
  }
}

TEST_F(PointsAndLinesTest, StyleKeepsItsPhaseWhenTheStartIsClipped) {
  // 0xF0F0: four drawn, four skipped; the first six pixels of the line lie left of the image.
  use_image(20, 10, 13);
  line_draw(-6, 5, 25, 5, 5, line_kind_line, 0xF0F0, line_first_given | line_colour_given | line_style_given);
  EXPECT_EQ(drawn(), (points{{2, 5}, {3, 5}, {4, 5}, {5, 5}, {10, 5}, {11, 5}, {12, 5}, {13, 5}, {18, 5}, {19, 5}}));
}

TEST_F(PointsAndLinesTest, ClipTriesTheEdgesInOrder) {
  const pixel_port port{10, 10, 29, 19};
  const struct {
    std::array<int32_t, 4> line;
    bool visible;
    std::array<int32_t, 5> clipped;  // the ends and the style phase
  } cases[] = {
      {{0, 15, 40, 15}, true, {10, 15, 29, 15, 10}},
      {{40, 15, 0, 15}, true, {29, 15, 10, 15, 11}},
      {{0, 0, 5, 5}, false, {}},   // both beyond the same edges
      {{0, 0, 40, 5}, false, {}},  // passes above the corner
      // Left of the port and above it: the left edge is tried first and misses
      // (y = 5), the top edge takes it (x = 20); the far end crosses the right
      // edge at y = 14.5, which rounds to the even 14.
      {{0, 0, 40, 20}, true, {20, 10, 29, 14, 4}},
      // The farthest positions the mapping gives are cut to the port before any stepping.
      {{-far_pixel, 12, far_pixel, 12}, true, {10, 12, 29, 12, 10}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.line));
    std::array<int32_t, 5> got{c.line[0], c.line[1], c.line[2], c.line[3], -1};
    ASSERT_EQ(line_clip(port, &got[0], &got[1], &got[2], &got[3], &got[4]), c.visible);
    if (c.visible) {
      EXPECT_EQ(got, c.clipped);
    }
  }
}

TEST_F(PointsAndLinesTest, FarEndsKeepTheLinesDirection) {
  // Slope 1/2 from (10, 10): every column from 10 to the right edge holds one
  // pixel on the line, whether the far end is given to LINE or to DRAW's M.
  const auto check = [](const char* name) {
    SCOPED_TRACE(name);
    const points pixels = drawn();
    EXPECT_EQ(pixels.size(), 310u);
    int32_t column = 10;
    for (const auto& [x, y] : pixels) {
      EXPECT_EQ(x, column++);
      EXPECT_LE(std::abs(2 * (y - 10) - (x - 10)), 1) << x << "," << y;
    }
  };
  use_image(320, 200, 13);
  line_draw(10, 10, 1e9f, 5e8f, 4, line_kind_line, 0, line_first_given | line_colour_given);
  check("LINE");
  use_image(320, 200, 13);
  write_image->gfx_x = write_image->gfx_y = 10;
  write_image->draw_colour = 4;
  turtle_draw(text("M1000000000,500000000"));
  check("DRAW");
  // Ends beyond any integer range are cut along the line in floating point.
  use_image(320, 200, 13);
  line_draw(10, 10, 2e30f, 1e30f, 4, line_kind_line, 0, line_first_given | line_colour_given);
  check("LINE to 2e30");
}

}  // namespace
