#include <array>
#include <chrono>
#include <cmath>
#include <limits>
#include <numbers>

#include "graphics_fixture.h"
#include "runtime/graphics/circle.h"

namespace {

using CircleTest = GraphicsTest;
constexpr double pi = std::numbers::pi;
constexpr int32_t colour_only = circle_colour_given;
constexpr int32_t with_angles = circle_colour_given | circle_start_given | circle_end_given;

struct extent {
  int32_t left, right, up, down;  // reach from the centre
};
extent extent_of(const std::set<std::pair<int32_t, int32_t>>& pixels, int32_t cx, int32_t cy) {
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
bool doubled_step(const std::set<std::pair<int32_t, int32_t>>& pixels) {
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
  EXPECT_EQ(drawn(), (std::set<point>{{12, 10}, {8, 10}, {12, 9}, {8, 9}, {8, 11}, {12, 11}, {11, 8}, {9, 8},
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
    std::set<point> required;  // relative to the centre
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
      {"aspect above 1 narrows", 12, 0, 0, colour_only | circle_aspect_given, {5, 5, 10, 10}, {{5, 0}, {0, 10}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    use_image(60, 60, c.mode);
    circle_draw(30, 30, 10, 1, c.start, c.end, 2.0, c.flags);
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

TEST_F(CircleTest, NegativeAspectsAndTheFigureOutsideThePort) {
  use_image(60, 60, 12);
  circle_draw(30, 30, 10, 1, 0, 0, -0.5, colour_only | circle_aspect_given);  // height times (aspect + 1)
  const extent e = extent_of(drawn(), 30, 30);
  EXPECT_EQ(e.up, 5);
  EXPECT_EQ(e.right, 10);
  use_image(60, 60, 12);
  circle_draw(30, 30, 10, 1, 0, 0, -3, colour_only | circle_aspect_given);  // -1 and below: a circle
  EXPECT_EQ(extent_of(drawn(), 30, 30).up, 10);
  // Wholly outside the port: nothing, but the centre is still the graphics point.
  use_image(60, 60, 12);
  circle_draw(-20, 30, 10, 1, 0, 0, 0, colour_only);
  EXPECT_TRUE(drawn().empty());
  EXPECT_EQ(graphics_point(), (point{-20, 30}));
}

TEST_F(CircleTest, TinyHugeAndBadCircles) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const auto started = std::chrono::steady_clock::now();
  // A quarter without one whole step: one point at the centre.
  use_image(20, 20, 12);
  circle_draw(5, 6, 0.2, 3, 0, 0, 0, colour_only);
  EXPECT_EQ(drawn(), (std::set<point>{{5, 6}}));
  struct {
    double x, y, r, start, end;
    int32_t error;
  } cases[] = {
      {10, 10, 1e30, 0, 0, 0}, {10, 10, nan, 0, 0, 0}, {inf, 10, 5, 0, 0, 0}, {nan, nan, 5, 0, 0, 0},
      {1e9, 10, 1e9 - 5, 0, 0, 0},  // its edge crosses the image, its radius is beyond what is drawn
      {10, 10, 5, 7, 1, 5},         // an angle beyond 2 pi
      {10, 10, 5, 1, -6.3, 5}, {10, 10, 5, nan, 1, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " " << c.r << " " << c.start);
    use_image(20, 20, 12);
    write_image->gfx_x = 3;
    circle_draw(c.x, c.y, c.r, 3, c.start, c.end, 0, with_angles);
    EXPECT_EQ(take_error(), c.error);
    EXPECT_TRUE(drawn().empty());
    if (c.error) {
      EXPECT_EQ(write_image->gfx_x, 3.0f);  // an error leaves the graphics point alone
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  set_dest(0);  // the text screen
  circle_draw(1, 1, 1, 1, 0, 0, 0, 0);
  EXPECT_EQ(take_error(), 5);
}

}  // namespace
