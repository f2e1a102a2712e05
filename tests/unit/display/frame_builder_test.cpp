#include "runtime/display/display.h"

#include <gtest/gtest.h>

#include "frame_fixture.h"
#include "runtime/gpu/gpu.h"
#include "runtime/screen/pixels.h"
#include "runtime/screen/screen.h"

namespace {

TEST(CursorShape, RowsFollowTheFirstAndLastLines) {
  const struct {
    int32_t s, e, ch, first, count;
  } cases[] = {
      {5, 0, 16, 0, 0},    // no cursor
      {0, 0, 16, 0, 1},    // the top row
      {7, 3, 16, 3, 13},   // last above first: down from last to the bottom
      {2, 2, 16, 2, 1},
      {4, 4, 16, 14, 1},   // the default underline, row 14 of 16
      {4, 4, 8, 7, 1},
      {6, 7, 16, 13, 2},
      {6, 8, 14, 11, 3},
      {3, 9, 16, 8, 8},    // the lower half
      {0, 3, 16, 0, 4},
      {1, 7, 16, 1, 15},   // down to the bottom
      {2, 3, 16, 2, 2},
      {2, 4, 16, 12, 3},
      {2, 9, 8, 2, 6},
      {12, 10, 8, 0, 0},   // starting below the cell draws nothing
  };
  for (const auto& c : cases) {
    const cursor_span span = cursor_rows(c.s, c.e, c.ch);
    EXPECT_EQ(span.count, c.count) << c.s << "," << c.e << " in " << c.ch;
    if (c.count) {
      EXPECT_EQ(span.first, c.first) << c.s << "," << c.e << " in " << c.ch;
    }
  }
}

using FrameBuilder = FrameTest;

TEST_F(FrameBuilder, UnchangedScreensAreDiscardedButTheOrderAdvances) {
  build_software_frame();
  software_frame* first = published();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->width, 640);
  EXPECT_EQ(first->height, 400);
  show(first);
  blink_counter = 0;
  const uint64_t before = latest_order.load();
  build_software_frame();
  EXPECT_EQ(published(), nullptr);
  EXPECT_GT(latest_order.load(), before);
  // A changed cell is published, drawn over a copy of the shown frame.
  image_record* page = display_image.load();
  shared_store8(page->data, 'A');
  shared_store8(page->data + 1, 0x1E);
  build_software_frame();
  software_frame* second = published();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->pixels[0], page->palette[1].load());         // blue background
  EXPECT_EQ(second->pixels[16 * 640], page->palette[0].load());  // the cell below, untouched
}

TEST_F(FrameBuilder, BlinkingCellsChangeEveryEighthAttempt) {
  image_record* page = display_image.load();
  shared_store8(page->data, 0xDB);  // a full block, blinking white on black
  shared_store8(page->data + 1, 0x8F);
  blink_counter = 0;
  build_software_frame();
  show(published());
  int published_frames = 0;
  for (int attempt = 1; attempt <= 16; ++attempt) {
    blink_counter = attempt;
    build_software_frame();
    if (software_frame* f = published()) {
      ++published_frames;
      const bool visible = (attempt >> 3) & 1 ? false : true;
      EXPECT_EQ(f->pixels[5 * 640 + 3] == page->palette[15].load(), visible) << "attempt " << attempt;
      show(f);
    }
  }
  EXPECT_EQ(published_frames, 2);  // at 8 and at 16
  blink_enabled = 0;  // bits 4-7 are a bright background instead, and nothing blinks
  shared_store8(page->data + 2, ' ');
  shared_store8(page->data + 3, 0x80);
  force_full_refresh = 1;
  build_software_frame();
  ASSERT_NE(published(), nullptr);
  EXPECT_EQ(published()->pixels[640 * 15 + 8], page->palette[8].load());
  blink_enabled = 1;
}

TEST_F(FrameBuilder, IndexedScreensGoThroughThePalette) {
  screen_set(13, 0, 0, 0, 0, 1);
  image_record* page = display_image.load();
  shared_store8(page->data + 320 * 10 + 20, 4);
  build_software_frame();
  software_frame* f = published();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->width, 320);
  EXPECT_EQ(f->pixels[320 * 10 + 20], page->palette[4].load());
  EXPECT_EQ(f->pixels[0], page->palette[0].load());
  show(f);
  build_software_frame();
  EXPECT_EQ(published(), nullptr) << "an unchanged screen made a new frame";
  palette_put(page->palette, 4, 0xFF123456);  // a palette change alone is a change
  build_software_frame();
  ASSERT_NE(published(), nullptr);
  EXPECT_EQ(published()->pixels[320 * 10 + 20], 0xFF123456u);
}

// Between writes the builder compares nothing; these are the ways a write could
// be missed if it kept the wrong comparison state.
TEST_F(FrameBuilder, WritesAreDrawnEvenWhenTheyCameWhileNotCompared) {
  image_record* shown = display_image.load();
  build_software_frame();
  show(published());

  // Rewriting a cell with what it holds is a write but no change.
  shared_store8(shown->data, ' ');
  build_software_frame();
  EXPECT_EQ(published(), nullptr);

  // A write while the software screen is not drawn is drawn once it is again.
  const int32_t software_place = display_order[layer_software].load();
  display_order[layer_software] = 0;
  put_cell(shown, 0, 0, 0xDB, 0x0F);
  build_software_frame();
  EXPECT_EQ(published(), nullptr);
  display_order[layer_software] = software_place;
  build_software_frame();
  software_frame* drawn = published();
  ASSERT_NE(drawn, nullptr);
  EXPECT_EQ(drawn->pixels[3 * 640 + 3], shown->palette[15].load());
  show(drawn);

  // Page 1, written while page 0 was shown and compared, then shown itself.
  image_record* other = page(1);
  put_cell(other, 10, 2, 0xDB, 0x0E);
  build_software_frame();
  EXPECT_EQ(published(), nullptr);
  set_display_image(page_table[1]);
  build_software_frame();
  software_frame* flipped = published();
  ASSERT_NE(flipped, nullptr);
  EXPECT_EQ(flipped->pixels[(2 * 16 + 3) * 640 + 10 * 8 + 3], other->palette[14].load());
  EXPECT_EQ(flipped->pixels[3 * 640 + 3], other->palette[0].load()) << "page 0's cell still drawn";
  set_display_image(page_table[0]);
}

TEST_F(FrameBuilder, HiddenScreensAndFreezesBuildNothing) {
  screen_hidden = 1;
  const uint64_t before = latest_order.load();
  build_software_frame();
  EXPECT_EQ(latest_order.load(), before);
  EXPECT_EQ(build_done.load(), 1);
  screen_hidden = 0;
  display_freeze = freeze_asked;  // asked: the builder answers and stands still
  build_software_frame();
  EXPECT_EQ(display_freeze.load(), 2);
  EXPECT_EQ(latest_order.load(), before);
  display_freeze = freeze_off;
  auto_display = -1;  // the switch to manual display happens after one more frame
  build_software_frame();
  EXPECT_EQ(auto_display.load(), 0);
  auto_display = 1;
}

}  // namespace
