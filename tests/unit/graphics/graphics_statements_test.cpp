// Rules every graphics statement keeps: error 5 on a text surface, nothing
// while an error is pending, the last graphics point each leaves behind, and
// huge or missing coordinates that draw nothing outside the view port (DRAW's
// are the fuzz target's).
#include <functional>
#include <limits>

#include "tests/unit/graphics/graphics_fixture.h"

namespace {

using GraphicsStatementsTest = GraphicsTest;
constexpr float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
constexpr int32_t first_colour = line_first_given | line_colour_given;

TEST_F(GraphicsStatementsTest, TextSurfacesPendingErrorsAndTheGraphicsPoint) {
  // Each moves the point (10, 10) by (3, 4), or names (3, 4).
  const struct {
    const char* name;
    std::function<void()> run;
    point after;
  } cases[] = {
      {"PSET STEP", [] { point_set(3, 4, 1, point_relative | point_colour_given); }, {13, 14}},
      {"PRESET", [] { point_reset(3, 4, 0, 0); }, {3, 4}},
      {"LINE -STEP", [] { line_draw(0, 0, 3, 4, 1, line_kind_line, 0, line_second_relative); }, {13, 14}},
      {"CIRCLE STEP: the centre", [] { circle_draw(3, 4, 2, 1, 0, 0, 0, circle_relative); }, {13, 14}},
      {"PAINT STEP", [] { paint_fill(3, 4, 1, 0, paint_relative); }, {13, 14}},
      {"PAINT with a tile", [] { paint_tile(3, 4, text("\x55"), 0, nullptr, paint_colour_given); }, {3, 4}},
      {"DRAW: the pen", [] { turtle_draw(text("BR3BD4")); }, {13, 14}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    set_dest(0);
    const float text_x = write_image->gfx_x;
    c.run();
    EXPECT_EQ(take_error(), 5);
    EXPECT_EQ(write_image->gfx_x, text_x);

    image_record* img = use_image(20, 20, 12);
    img->gfx_x = img->gfx_y = 10;
    error_report.pending.store(7);
    c.run();
    EXPECT_EQ(take_error(), 7);
    EXPECT_EQ(graphics_point(), (point{10, 10}));
    EXPECT_TRUE(drawn().empty());

    c.run();
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(graphics_point(), c.after);
  }
}

TEST_F(GraphicsStatementsTest, HugeAndMissingCoordinatesDrawOnlyInsideThePort) {
  const struct {
    const char* name;
    std::function<void()> run;
    bool draws;  // false: nothing at all
  } cases[] = {
      {"PSET far away", [] { point_set(1e30f, -1e30f, 3, point_colour_given); }, false},
      {"PSET not a number", [] { point_set(nan, 5, 3, point_colour_given); }, false},
      {"LINE from not a number", [] { line_draw(nan, 0, 10, 10, 3, line_kind_line, 0, first_colour); }, false},
      {"LINE of length 1e9", [] { line_draw(0, 30, 1e9f, 31, 3, line_kind_line, 0xAAAA, first_colour | line_style_given); },
       true},
      {"B far away", [] { line_draw(-1e30f, -1e30f, 1e30f, 1e30f, 3, line_kind_box, 0, first_colour); }, false},
      {"BF to not a number", [] { line_draw(20, 20, nan, nan, 3, line_kind_filled_box, 0, first_colour); }, false},
      {"CIRCLE of radius 1e30", [] { circle_draw(30, 20, 1e30, 3, 0, 0, 0, circle_colour_given); }, false},
      // Its left edge crosses the port: drawn there, without walking 1e9 steps.
      {"CIRCLE of radius 1e9 crossing the port", [] { circle_draw(1e9, 20, 1e9 - 20, 3, 0, 0, 0, circle_colour_given); },
       true},
      {"CIRCLE at infinity", [] { circle_draw(inf, 20, 5, 3, 0, 0, 0, circle_colour_given); }, false},
      {"CIRCLE of radius not a number", [] { circle_draw(30, 20, nan, 3, 0, 0, 0, circle_colour_given); }, false},
      {"PAINT at not a number", [] { paint_fill(nan, nan, 3, 9, paint_colour_given | paint_border_given); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    image_record* img = use_image(64, 48, 13);
    view(8, 8, 55, 39, 0, 0, 1 | 2);
    img->gfx_x = img->gfx_y = 20;
    c.run();
    EXPECT_EQ(take_error(), 0);
    const points pixels = drawn();
    EXPECT_EQ(pixels.empty(), !c.draws);
    for (const auto& [x, y] : pixels) ASSERT_TRUE(x >= 8 && x <= 55 && y >= 8 && y <= 39) << x << "," << y;
  }
  // What crosses the port is drawn there.
  use_image(64, 48, 13);
  view(8, 8, 55, 39, 0, 0, 1 | 2);
  line_draw(-1e30f, 20, inf, 20, 3, line_kind_line, 0, first_colour);
  EXPECT_EQ(drawn(), run(8, 20, 55, 20));
}

}  // namespace
