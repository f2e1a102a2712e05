#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include "tests/unit/graphics/graphics_fixture.h"

namespace {

using CircleTest = GraphicsTest;
constexpr double pi = std::numbers::pi;
constexpr int32_t colour_only = circle_colour_given;
constexpr int32_t with_angles = circle_colour_given | circle_start_given | circle_end_given;

struct extent {
  int32_t left, right, up, down;  // reach from the centre
};
extent extent_of(const GraphicsTest::points& pixels, int32_t cx, int32_t cy) {
  extent e{0, 0, 0, 0};
  for (const auto& [x, y] : pixels) {
    e.left = std::max(e.left, cx - x);
    e.right = std::max(e.right, x - cx);
    e.up = std::max(e.up, cy - y);
    e.down = std::max(e.down, y - cy);
  }
  return e;
}

// An outline with a doubled step has a pixel with both a horizontal and a vertical neighbour.
bool doubled_step(const GraphicsTest::points& pixels) {
  for (const auto& [x, y] : pixels)
    for (int32_t sx : {-1, 1})
      for (int32_t sy : {-1, 1})
        if (pixels.count({x + sx, y}) && pixels.count({x, y + sy})) return true;
  return false;
}

TEST_F(CircleTest, RadiusTwoIsTheTwelvePixelRing) {
  // Three steps of 30 degrees a quarter; (2,-1) is plotted once the walk has
  // moved two away from (2,0), and so on, mirrored four ways.
  use_image(20, 20, 12);
  circle_draw(10, 10, 2, 4, 0, 0, 0, colour_only);
  EXPECT_EQ(drawn(), (points{{12, 10}, {8, 10}, {12, 9}, {8, 9}, {8, 11}, {12, 11}, {11, 8}, {9, 8},
                                       {9, 12}, {11, 12}, {10, 8}, {10, 12}}));
  EXPECT_EQ(write_image->draw_colour, 4u);
  EXPECT_EQ(graphics_point(), (point{10, 10}));
}

TEST_F(CircleTest, ArcsRadiusLinesAndAspects) {
  struct {
    const char* name;
    int32_t mode;
    double start, end;
    int32_t flags;
    extent reach;
    points required;  // relative to the centre
    double aspect = 0;
  } cases[] = {
      // Radius lines straight up and to the left, the arc's ends. A pending
      // point is plotted with the angles of the step that plots it, so the arc
      // ends one pixel past the vertical axis at the top.
      {"quarter with radius lines", 12, -pi / 2, -pi, with_angles, {10, 1, 10, 0},
       {{0, -1}, {0, -5}, {0, -9}, {-1, 0}, {-5, 0}, {-9, 0}, {-10, 0}, {0, -10}}},
      {"wrapped right half", 12, 3 * pi / 2, pi / 2, with_angles, {1, 10, 10, 10},
       {{10, 0}, {0, -10}, {0, 10}, {7, -7}, {7, 7}}},
      // No aspect in mode 13: 5/6 of the height, 10 x 8.
      {"mode 13 aspect", 13, 0, 0, colour_only, {10, 10, 8, 8}, {{-10, 0}, {10, 0}, {0, -8}, {0, 8}}},
      {"aspect 2 narrows", 12, 0, 0, colour_only | circle_aspect_given, {5, 5, 10, 10}, {{5, 0}, {0, 10}}, 2},
      {"aspect -0.5: height times 0.5", 12, 0, 0, colour_only | circle_aspect_given, {10, 10, 5, 5}, {}, -0.5},
      {"aspect -3: a circle", 12, 0, 0, colour_only | circle_aspect_given, {10, 10, 10, 10}, {}, -3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    use_image(60, 60, c.mode);
    circle_draw(30, 30, 10, 1, c.start, c.end, c.aspect, c.flags);
    const auto pixels = drawn();
    const extent e = extent_of(pixels, 30, 30);
    EXPECT_EQ((std::array<int32_t, 4>{e.left, e.right, e.up, e.down}),
              (std::array<int32_t, 4>{c.reach.left, c.reach.right, c.reach.up, c.reach.down}));
    for (const auto& [dx, dy] : c.required) EXPECT_TRUE(pixels.count({30 + dx, 30 + dy})) << dx << "," << dy;
    if (!(c.flags & circle_start_given)) {
      EXPECT_FALSE(doubled_step(pixels));
    }
  }
}

TEST_F(CircleTest, TinyCirclesAndBadAngles) {
  // A quarter without one whole step: one point at the centre.
  use_image(20, 20, 12);
  circle_draw(5, 6, 0.2, 3, 0, 0, 0, colour_only);
  EXPECT_EQ(drawn(), (points{{5, 6}}));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double bad[][2] = {{7, 1}, {1, -6.3}, {nan, 1}};  // beyond 2 pi either way, or no angle at all
  for (const auto& angles : bad) {
    SCOPED_TRACE(angles[0] + 10 * angles[1]);
    use_image(20, 20, 12);
    write_image->gfx_x = 3;
    circle_draw(10, 10, 5, 3, angles[0], angles[1], 0, with_angles);
    EXPECT_EQ(take_error(), 5);
    EXPECT_TRUE(drawn().empty());
    EXPECT_EQ(write_image->gfx_x, 3.0f);  // an error leaves the graphics point alone
  }
}

}  // namespace
