#include <gtest/gtest.h>

#include "runtime/core/core.h"
#include "runtime/display/display.h"

namespace {

TEST(AspectRule, KeepsTheSideTheUserMovedMost) {
  const struct {
    int_pair window, prev;
    float aspect;
    int_pair expected;
  } cases[] = {
      {{800, 400}, {640, 400}, 1.6f, {800, 500}},    // right edge dragged
      {{640, 480}, {640, 400}, 1.6f, {768, 480}},    // bottom edge dragged
      {{700, 300}, {640, 400}, 1.6f, {480, 300}},    // height moved more: keep it
      {{900, 420}, {640, 400}, 1.6f, {900, 562}},    // width moved more: keep it
      {{1000, 700}, {1000, 700}, 4.0f / 3, {1000, 750}},  // neither: width wins
  };
  for (const auto& c : cases) {
    const int_pair got = aspect_size(c.window, c.prev, c.aspect);
    EXPECT_EQ(got.w, c.expected.w) << c.window.w << "x" << c.window.h;
    EXPECT_EQ(got.h, c.expected.h) << c.window.w << "x" << c.window.h;
  }
}

TEST(PointerStyles, NamesAreUpperCasedBeforeLookup) {
  const struct {
    const char* name;
    int32_t number;
  } cases[] = {{"DEFAULT", 1},  {"link", 2},        {"Text", 8},    {"crosshair", 9},
               {"VERTICAL", 10}, {"horizontal", 11}, {"topleft_bottomright", 16},
               {"TOPRIGHT_BOTTOMLEFT", 17}, {"ARROW", 0}, {"", 0}, {"crosshair ", 0}};
  for (const auto& c : cases) EXPECT_EQ(pointer_style_number(c.name), c.number) << c.name;
}

class WindowRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    error_report.pending = 0;
    full_screen_reset();
    window_size_reset();
  }
};

TEST_F(WindowRequests, FullScreenKindsMapToModesAndOnlyChangesAreRequested) {
  const struct {
    int32_t current, kind, smooth, request, query, smooth_after;
  } cases[] = {
      {0, 1, 0, -1, 0, 0},  // window asked while windowed: nothing pending
      {0, 2, 0, 1, 1, 0},   {0, 0, 1, 1, 1, 1}, {0, 3, 3, 2, 2, 1},
      {2, 3, 0, -1, 2, 0},  {2, 1, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SetUp();
    full_screen_settings.mode = static_cast<full_screen_kind>(c.current);
    window_full_screen(c.kind, c.smooth);
    EXPECT_EQ(full_screen_settings.request.load(), c.request) << "kind " << c.kind;
    EXPECT_EQ(window_full_screen_query(), c.query) << "kind " << c.kind;
    EXPECT_EQ(full_screen_settings.smooth.load(), c.smooth_after) << "kind " << c.kind;
  }
}

TEST_F(WindowRequests, ResizeQueryAnswersOnceAfterAUserResizeWhenUnlocked) {
  window_size.resized = -1;
  EXPECT_EQ(window_resize_query(), 0) << "locked windows report no resize";
  window_resize(1, 1);
  EXPECT_EQ(window_resize_query(), -1);
  EXPECT_EQ(window_resize_query(), 0);
  window_resize(2, 0);
  EXPECT_EQ(window_size.locked.load(), 1);
}

TEST_F(WindowRequests, BadArgumentsRaiseErrorFiveAndChangeNothing) {
  window_move(0, 10, 10);
  EXPECT_EQ(error_report.pending.load(), 5);
  error_report.pending = 0;
  window_move(3, 10, 10);
  EXPECT_EQ(error_report.pending.load(), 5);
  error_report.pending = 0;
  const int32_t shape = window_presence.pointer_shape.load();
  pointer_show(true, "arrow");
  EXPECT_EQ(error_report.pending.load(), 5);
  EXPECT_EQ(window_presence.pointer_shape.load(), shape);
  // While an error is pending every operation does nothing.
  window_full_screen(2, 1);
  EXPECT_EQ(full_screen_settings.request.load(), -1);
  error_report.pending = 0;
  run_flags.event_pending = 0;
}

}  // namespace

namespace {

// A window that takes every size it is asked for and, as X does, reports
// only a size that differs from the one it has.
int32_t reshapes = 0;
void grant_size(int32_t w, int32_t h) {
  ++reshapes;
  if (w != window_size.width.load() || h != window_size.height.load()) window_size_changed(w, h);
}

}  // namespace

TEST(AspectRule, AWindowDraggedPastTheLargestSideSettlesAtTheScreensAspect) {
  window_toolkit toolkit{};
  toolkit.reshape = grant_size;
  window_toolkit_install(toolkit);
  full_screen_reset();
  window_size_reset();
  window_size.locked = 0;
  window_size.scaling = resize_scaled;
  window_size_changed(640, 400);
  window_size_step(640, 400);
  // Dragged by hand as large as the window manager lets it: kept at 16:10 by
  // its height, the width would pass the largest side.
  window_size_changed(16384, 16384);
  reshapes = 0;
  for (int32_t step = 0; step < 10; ++step) window_size_step(640, 400);
  EXPECT_EQ(reshapes, 1);
  EXPECT_EQ(window_size.width.load() * 10, window_size.height.load() * 16);
  EXPECT_LE(window_size.width.load(), 16384);
  window_toolkit_install(window_toolkit{});
  window_size_reset();
}
