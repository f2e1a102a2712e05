// The fallbacks of texture creation, with the OpenGL calls played by the test.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/core/core.h"
#include "runtime/gpu/detail/drawing.h"
#include "runtime/gpu/gpu.h"
#include "runtime/platform/platform.h"

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
    error_report.pending = 0;
    set_display_order(c.a, c.b, c.c, c.d);
    EXPECT_EQ(error_report.pending.load(), c.error) << c.a << c.b << c.c << c.d;
    for (int kind = 1; kind <= 4; ++kind)
      EXPECT_EQ(render_layers.pass[kind].load(), c.passes[kind]) << "kind " << kind;
  }
  run_flags_reset();
  render_layers_reset();
}

}  // namespace

namespace {

std::vector<std::string> notices;

int32_t record_notice(const char* text, const char* caption, uint32_t) {
  notices.push_back(std::string(caption) + ": " + text);
  return mb_answer_ok;
}

TEST(TextureUpload, EachFallbackInTurnAndTheNoticeWhenAllFail) {
  set_message_box_stand_in(record_notice);
  const struct {
    bool padding_before, as_is_ok, padded_ok;
    int32_t mipmap_status;
    int32_t mode, width, height;
    bool padding_after;
    std::string calls;
    std::vector<std::string> notices;
  } cases[] = {
      {false, true, true, 0, 0, 100, 60, false, "a", {}},
      {false, false, true, 0, 1, 128, 64, true, "ap", {}},
      {true, true, true, 0, 1, 128, 64, true, "p", {}},  // after one failure, padding comes first
      {false, false, false, 0, 2, 100, 60, true, "apm", {}},
      {true, true, false, 100902, 2, 100, 60, true, "pm", {"Alert: gluBuild2DMipmaps failed", "Alert: 1285"}},
  };
  for (const auto& c : cases) {
    notices.clear();
    std::string calls;
    bool padding = c.padding_before;
    const texture_shape shape = upload_texture(
        100, 60, padding,
        [&] {
          calls += 'a';
          return c.as_is_ok;
        },
        [&](int32_t* w, int32_t* h) {
          calls += 'p';
          *w = 128;
          *h = 64;
          return c.padded_ok;
        },
        [&] {
          calls += 'm';
          return c.mipmap_status;
        },
        [] { return 1285; });  // out of memory
    SCOPED_TRACE(c.calls);
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(shape.size_mode, c.mode);
    EXPECT_EQ(shape.width, c.width);
    EXPECT_EQ(shape.height, c.height);
    EXPECT_EQ(padding, c.padding_after);
    EXPECT_EQ(notices, c.notices);
  }
  set_message_box_stand_in(nullptr);
}

}  // namespace

namespace {

std::vector<uint32_t> picture(int w, int h) {
  std::vector<uint32_t> p(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p[static_cast<size_t>(y) * w + x] = static_cast<uint32_t>(y * 100 + x + 1);
  return p;
}

TEST(PadToPowerOfTwo, ReplicatesTheLastColumnAndRow) {
  const struct {
    int w, h, w2, h2;
  } cases[] = {{5, 3, 8, 4}, {3, 1, 4, 1}, {1, 3, 1, 4}, {640, 480, 1024, 512}, {9, 17, 16, 32}};
  for (const auto& c : cases) {
    auto src = picture(c.w, c.h);
    int32_t w = c.w, h = c.h;
    const uint32_t* out = pad_to_power_of_two(&w, &h, src.data());
    ASSERT_EQ(w, c.w2);
    ASSERT_EQ(h, c.h2);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) ASSERT_EQ(out[y * w + x], src[y * c.w + x]) << x << "," << y;
    if (c.w2 != c.w) {
      for (int y = 0; y < c.h; ++y) EXPECT_EQ(out[y * w + c.w], src[y * c.w + c.w - 1]) << "row " << y;
    }
    if (c.h2 != c.h) {
      const int columns = c.w2 != c.w ? c.w + 1 : c.w;
      for (int x = 0; x < columns; ++x) EXPECT_EQ(out[c.h * w + x], out[(c.h - 1) * w + x]) << "col " << x;
    }
  }
}

TEST(PadToPowerOfTwo, PowerOfTwoPicturesComeBackUnchanged) {
  for (int size : {1, 2, 16, 256}) {
    auto src = picture(size, size);
    int32_t w = size, h = size;
    EXPECT_EQ(pad_to_power_of_two(&w, &h, src.data()), src.data());
    EXPECT_EQ(w, size);
    EXPECT_EQ(h, size);
  }
}

}  // namespace
