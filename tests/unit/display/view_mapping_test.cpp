#include "runtime/gpu/gpu.h"

#include <gtest/gtest.h>

#include "runtime/core/core.h"

namespace {

TEST(ViewMapping, ScalesLetterboxesOrDrawsOneToOne) {
  const struct {
    int32_t sw, sh, ww, wh, full, smooth, resize;
    int32_t x0, y0, x1, y1, letterbox;
    bool smoothed;
  } cases[] = {
      {640, 400, 640, 400, 0, 0, 0, 0, 0, 639, 399, 0, false},     // same size
      {640, 480, 800, 600, 0, 0, 0, 0, 0, 639, 479, 0, false},     // no scaling: top left 1:1
      {640, 480, 800, 600, 0, 0, 2, 0, 0, 799, 599, 0, true},      // window scaling, smooth
      {640, 480, 1024, 600, 1, 0, 0, 0, 0, 1023, 599, 0, false},   // full screen stretched
      {640, 480, 1024, 600, 2, 1, 0, 112, 0, 911, 599, 1, true},   // bars left and right
      {640, 400, 1024, 768, 2, 0, 0, 0, 64, 1023, 703, 2, false},  // bars above and below
      {640, 480, 1024, 768, 2, 0, 0, 0, 0, 1023, 767, 0, false},   // same aspect: stretched
  };
  for (const auto& c : cases) {
    const view_mapping v = compute_view(c.sw, c.sh, c.ww, c.wh, full_screen_kind(c.full), c.smooth, resize_scaling(c.resize));
    EXPECT_EQ(v.x0, c.x0) << c.ww << "x" << c.wh;
    EXPECT_EQ(v.y0, c.y0) << c.ww << "x" << c.wh;
    EXPECT_EQ(v.x1, c.x1) << c.ww << "x" << c.wh;
    EXPECT_EQ(v.y1, c.y1) << c.ww << "x" << c.wh;
    EXPECT_EQ(v.letterbox, c.letterbox) << c.ww << "x" << c.wh;
    EXPECT_EQ(v.smooth, c.smoothed) << c.ww << "x" << c.wh;
    EXPECT_FLOAT_EQ(v.scale_x, static_cast<float>(c.x1 - c.x0 + 1) / c.sw);
  }
}

TEST(ViewMapping, RectanglesCoverWholeWindowPixels) {
  const view_mapping doubled = compute_view(320, 200, 640, 400, full_screen_stretched, 0, resize_unscaled);
  const struct {
    float a, b, c, d;
    window_rect r;
  } cases[] = {
      {0, 0, 319, 199, {0, 0, 639, 399}},
      {10, 10, 49, 49, {20, 20, 99, 99}},
      {49, 49, 10, 10, {98, 98, 177, 177}},  // corners given backwards keep their size
      {5, 7, 5, 7, {10, 14, 11, 15}},        // one screen pixel is two window pixels
  };
  for (const auto& c : cases) {
    const window_rect r = map_to_window(doubled, c.a, c.b, c.c, c.d);
    EXPECT_EQ(r.left, c.r.left);
    EXPECT_EQ(r.top, c.r.top);
    EXPECT_EQ(r.right, c.r.right);
    EXPECT_EQ(r.bottom, c.r.bottom);
  }
}

TEST(DisplayOrder, PassesFollowTheSlotsAndRepeatsAreRefused) {
  const struct {
    int32_t a, b, c, d;
    int32_t error;
    int32_t passes[5];  // by layer kind
  } cases[] = {
      {4, 1, 2, 3, 0, {0, 2, 3, 4, 1}},
      {1, 2, 4, 3, 0, {0, 1, 2, 4, 3}},
      {4, 0, 0, 0, 0, {0, 0, 0, 0, 1}},
      {2, 1, 0, 0, 0, {0, 2, 1, 0, 0}},
      {1, 1, 0, 0, 5, {0, 2, 1, 0, 0}},  // unchanged from the case before
      {5, 0, 0, 0, 5, {0, 2, 1, 0, 0}},
      {-1, 2, 0, 0, 5, {0, 2, 1, 0, 0}},
  };
  for (const auto& c : cases) {
    pending_error = 0;
    set_display_order(c.a, c.b, c.c, c.d);
    EXPECT_EQ(pending_error.load(), c.error) << c.a << c.b << c.c << c.d;
    for (int kind = 1; kind <= 4; ++kind)
      EXPECT_EQ(display_order[kind].load(), c.passes[kind]) << "kind " << kind;
  }
  pending_error = 0;
  event_pending = 0;
  set_display_order(1, 2, 4, 3);
}

}  // namespace
