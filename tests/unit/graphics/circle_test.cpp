#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <numbers>

#include "tests/unit/graphics/graphics_fixture.h"

namespace {

using CircleTest = GraphicsTest;
constexpr double pi = std::numbers::pi;
constexpr int32_t colour_only = circle_colour_given;
constexpr int32_t with_angles = circle_colour_given | circle_start_given | circle_end_given;

TEST_F(CircleTest, RadiusTwoIsTheTwelvePixelRing) {
  // Three steps of 30 degrees a quarter, giving offsets (2,0), (2,-1), (1,-2), (0,-2) mirrored four ways.
  use_image(20, 20, 12);
  circle_draw(10, 10, 2, 4, 0, 0, 0, colour_only);
  EXPECT_EQ(drawn(), (points{{12, 10}, {8, 10}, {12, 9}, {8, 9}, {8, 11}, {12, 11}, {11, 8}, {9, 8}, {9, 12},
                             {11, 12}, {10, 8}, {10, 12}}));
  EXPECT_EQ(write_image->draw_colour, 4u);
}

TEST_F(CircleTest, ArcsRadiusLinesAndAspects) {
  const struct {
    const char* name;
    int32_t mode;
    double start, end, aspect;
    int32_t flags;
    std::array<int32_t, 4> reach;  // left, right, up, down from the centre
    points required;               // relative to the centre
  } cases[] = {
      // Radius lines straight up and to the left, the arc's ends. A pending
      // point is plotted with the angles of the step that plots it, so the arc
      // ends one pixel past the vertical axis at the top.
      {"quarter with radius lines", 12, -pi / 2, -pi, 0, with_angles, {10, 1, 10, 0},
       {{0, -1}, {0, -5}, {0, -9}, {-1, 0}, {-5, 0}, {-9, 0}, {-10, 0}, {0, -10}}},
      {"wrapped right half", 12, 3 * pi / 2, pi / 2, 0, with_angles, {1, 10, 10, 10},
       {{10, 0}, {0, -10}, {0, 10}, {7, -7}, {7, 7}}},
      // No aspect in mode 13: 5/6 of the height, 10 x 8.
      {"mode 13 aspect", 13, 0, 0, 0, colour_only, {10, 10, 8, 8}, {{-10, 0}, {10, 0}, {0, -8}, {0, 8}}},
      {"aspect 2 narrows", 12, 0, 0, 2, colour_only | circle_aspect_given, {5, 5, 10, 10}, {{5, 0}, {0, 10}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    use_image(60, 60, c.mode);
    circle_draw(30, 30, 10, 1, c.start, c.end, c.aspect, c.flags);
    const points pixels = drawn();
    std::array<int32_t, 4> reach{};
    for (const auto& [x, y] : pixels) {
      const std::array<int32_t, 4> away{30 - x, x - 30, 30 - y, y - 30};
      for (int k = 0; k < 4; ++k) reach[k] = std::max(reach[k], away[k]);
    }
    EXPECT_EQ(reach, c.reach);
    for (const auto& [dx, dy] : c.required) EXPECT_TRUE(pixels.count({30 + dx, 30 + dy})) << dx << "," << dy;
    // A whole outline has no doubled step: no pixel with both a horizontal and a vertical neighbour.
    for (const auto& [x, y] : pixels) {
      if (c.flags & circle_start_given) break;
      EXPECT_FALSE((pixels.count({x - 1, y}) || pixels.count({x + 1, y})) &&
                   (pixels.count({x, y - 1}) || pixels.count({x, y + 1})))
          << x << "," << y;
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

TEST_F(CircleTest, HugeCirclesDrawTheirVisibleArcQuickly) {
  // The top of the circle runs along row 50 across the whole width; radius 2^31
  // must not walk the billions of steps outside the view.
  for (const double r : {1100000.0, 2147483648.0}) {
    SCOPED_TRACE(r);
    use_image(320, 200, 13);
    const auto began = std::chrono::steady_clock::now();
    circle_draw(160, r + 50, r, 4, 0, 0, 1, colour_only | circle_aspect_given);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(1500));
    EXPECT_EQ(drawn(), run(0, 50, 319, 50));
  }
  // The leftmost side: column 100 from top to bottom, from two quarters.
  use_image(320, 200, 13);
  circle_draw(1e7 + 100, 100, 1e7, 4, 0, 0, 1, colour_only | circle_aspect_given);
  EXPECT_EQ(drawn(), run(100, 0, 100, 199));
  use_image(320, 200, 13);  // a circle around the whole view draws nothing in it
  circle_draw(160, 100, 1e9, 4, 0, 0, 1, colour_only | circle_aspect_given);
  EXPECT_TRUE(drawn().empty());
}

}  // namespace
