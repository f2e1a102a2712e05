// Frames built from known screens, compared pixel by pixel with pictures
// worked out here from the constant glyph shapes and the palettes; what is
// redrawn and what is kept; and the hand-overs between the threads.
#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/display/display.h"
#include "runtime/gpu/gpu.h"
#include "runtime/platform/platform.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "tests/unit/display/frame_fixture.h"

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
  frame_builder.blink_counter = 0;
  const uint64_t before = frame_ring.latest_order.load();
  build_software_frame();
  EXPECT_EQ(published(), nullptr);
  EXPECT_GT(frame_ring.latest_order.load(), before);
  // A changed cell is published, drawn over a copy of the shown frame.
  image_record* page = display_link.shown_image.load();
  shared_store8(page->data, 'A');
  shared_store8(page->data + 1, 0x1E);
  build_software_frame();
  software_frame* second = published();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->pixels[0], page->palette[1].load());         // blue background
  EXPECT_EQ(second->pixels[16 * 640], page->palette[0].load());  // the cell below, untouched
}

TEST_F(FrameBuilder, BlinkingCellsChangeEveryEighthAttempt) {
  image_record* page = display_link.shown_image.load();
  shared_store8(page->data, 0xDB);  // a full block, blinking white on black
  shared_store8(page->data + 1, 0x8F);
  frame_builder.blink_counter = 0;
  build_software_frame();
  show(published());
  int published_frames = 0;
  for (int attempt = 1; attempt <= 16; ++attempt) {
    frame_builder.blink_counter = attempt;
    build_software_frame();
    if (software_frame* f = published()) {
      ++published_frames;
      const bool visible = (attempt >> 3) & 1 ? false : true;
      EXPECT_EQ(f->pixels[5 * 640 + 3] == page->palette[15].load(), visible) << "attempt " << attempt;
      show(f);
    }
  }
  EXPECT_EQ(published_frames, 2);  // at 8 and at 16
  display_link.blink_enabled = 0;  // bits 4-7 are a bright background instead, and nothing blinks
  shared_store8(page->data + 2, ' ');
  shared_store8(page->data + 3, 0x80);
  full_screen_settings.force_full_refresh = 1;
  build_software_frame();
  ASSERT_NE(published(), nullptr);
  EXPECT_EQ(published()->pixels[640 * 15 + 8], page->palette[8].load());
  display_link.blink_enabled = 1;
}

// A new blink phase is a new picture only when something on the page shows it;
// otherwise a waiting text screen would be redrawn about four times a second.
TEST_F(FrameBuilder, ABlinkPhaseMakesAFrameOnlyWhenSomethingBlinks) {
  const struct {
    const char* name;
    uint8_t attr;
    uint8_t cursor;
    int frames;
  } cases[] = {
      {"nothing blinks, no cursor", 0x07, 0, 0},
      {"the cursor", 0x07, 1, 2},
      {"a blinking cell", 0x87, 0, 2},
  };
  for (const auto& c : cases) {
    image_record* page = display_link.shown_image.load();
    shared_store8(page->data + 1, c.attr);
    page->cursor_visible = c.cursor;
    full_screen_settings.force_full_refresh = 1;
    frame_builder.blink_counter = 0;
    build_software_frame();
    ASSERT_NE(published(), nullptr) << c.name;
    show(published());
    int frames = 0;
    for (int attempt = 1; attempt <= 16; ++attempt) {
      frame_builder.blink_counter = attempt;
      build_software_frame();
      if (software_frame* f = published()) {
        ++frames;
        show(f);
      }
    }
    EXPECT_EQ(frames, c.frames) << c.name;  // at 8 and at 16, or never
  }
}

TEST_F(FrameBuilder, IndexedScreensGoThroughThePalette) {
  screen_set(13, 0, 0, 0, 0, 1);
  image_record* page = display_link.shown_image.load();
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
  image_record* shown = display_link.shown_image.load();
  build_software_frame();
  show(published());

  // Rewriting a cell with what it holds is a write but no change.
  shared_store8(shown->data, ' ');
  build_software_frame();
  EXPECT_EQ(published(), nullptr);

  // A write while the software screen is not drawn is drawn once it is again.
  const int32_t software_place = render_layers.pass[layer_software].load();
  render_layers.pass[layer_software] = 0;
  put_cell(shown, 0, 0, 0xDB, 0x0F);
  build_software_frame();
  EXPECT_EQ(published(), nullptr);
  render_layers.pass[layer_software] = software_place;
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
  set_display_image(screen_pages.table[1]);
  build_software_frame();
  software_frame* flipped = published();
  ASSERT_NE(flipped, nullptr);
  EXPECT_EQ(flipped->pixels[(2 * 16 + 3) * 640 + 10 * 8 + 3], other->palette[14].load());
  EXPECT_EQ(flipped->pixels[3 * 640 + 3], other->palette[0].load()) << "page 0's cell still drawn";
  set_display_image(screen_pages.table[0]);
}

TEST_F(FrameBuilder, HiddenScreensAndFreezesBuildNothing) {
  window_presence.hidden = 1;
  const uint64_t before = frame_ring.latest_order.load();
  build_software_frame();
  EXPECT_EQ(frame_ring.latest_order.load(), before);
  EXPECT_EQ(frame_builder.build_done.load(), 1);
  window_presence.hidden = 0;
  display_link.freeze = freeze_asked;  // asked: the builder answers and stands still
  build_software_frame();
  EXPECT_EQ(display_link.freeze.load(), 2);
  EXPECT_EQ(frame_ring.latest_order.load(), before);
  display_link.freeze = freeze_off;
  display_link.automatic = -1;  // the switch to manual display happens after one more frame
  build_software_frame();
  EXPECT_EQ(display_link.automatic.load(), 0);
  display_link.automatic = 1;
}

}  // namespace

namespace {

constexpr uint32_t poison = 0xDEADBEEF;

class Frames : public FrameTest {
 protected:
  // Pixels of a frame that differ from expected; the first one is reported.
  static int mismatches(const software_frame* f, const std::vector<uint32_t>& expected, int w) {
    int bad = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
      if (f->pixels[i] == expected[i]) continue;
      if (bad++ == 0)
        ADD_FAILURE() << "pixel " << i % w << "," << i / w << ": " << std::hex << f->pixels[i] << " instead of "
                      << expected[i];
    }
    return bad;
  }
};

// The picture of an 80x25 screen in the 8x16 font, worked out cell by cell.
std::vector<uint32_t> text_picture(image_record* page, int32_t phase, bool blinking, int cursor_col,
                                   int cursor_row, const std::vector<int>& cursor_lines) {
  std::vector<uint32_t> picture(640 * 400);
  for (int row = 0; row < 25; ++row) {
    for (int col = 0; col < 80; ++col) {
      const uint8_t* cell = page->data + (row * 80 + col) * 2;
      const uint8_t c = cell[0], attr = cell[1];
      uint32_t fg = palette_get(page->palette, attr & 15);
      const uint32_t bg = palette_get(page->palette, blinking ? (attr >> 4) & 7 : attr >> 4);
      if (blinking && (attr & 0x80) && phase) fg = bg;
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x)
          picture[(row * 16 + y) * 640 + col * 8 + x] = (glyph_rows_8x16[c][y] >> (7 - x)) & 1 ? fg : bg;
      if (phase && col == cursor_col && row == cursor_row)
        for (int y : cursor_lines)
          for (int x = 0; x < 8; ++x) picture[(row * 16 + y) * 640 + col * 8 + x] = palette_get(page->palette, attr & 15);
    }
  }
  return picture;
}

void fill_text_screen(image_record* page) {
  for (int i = 0; i < 80 * 25; ++i) {
    const uint8_t c = static_cast<uint8_t>(i * 7 + 1);
    uint8_t attr = static_cast<uint8_t>((i * 13) & 0x7F);
    if (i % 11 == 0) attr |= 0x80;  // some blinking cells
    shared_store8(page->data + i * 2, c);
    shared_store8(page->data + i * 2 + 1, attr);
  }
}

TEST_F(Frames, TextScreenWithAttributesIsPixelExact) {
  image_record* page = display_link.shown_image.load();
  fill_text_screen(page);
  page->cursor_visible = 1;
  set_cursor(page, 11, 6);  // column 10, row 5 counted from 0; underline at row 14 of 16
  const struct {
    int32_t blink_counter;
    bool blinking;
  } cases[] = {{0, true}, {8, true}, {7, true}, {8, false}, {16, true}};
  for (const auto& c : cases) {
    frame_builder.blink_counter = c.blink_counter;
    display_link.blink_enabled = c.blinking ? 1 : 0;
    software_frame* f = build_whole();
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->width, 640);
    ASSERT_EQ(f->height, 400);
    const int32_t phase = (c.blink_counter >> 3) & 1;
    EXPECT_EQ(mismatches(f, text_picture(page, phase, c.blinking, 10, 5, {14}), 640), 0)
        << "blink counter " << c.blink_counter << ", blinking " << c.blinking;
  }
}

TEST_F(Frames, EachCursorShapeFillsItsRows) {
  image_record* page = display_link.shown_image.load();  // blank cells, light grey on black
  page->cursor_visible = 1;
  set_cursor(page, 1, 1);
  frame_builder.blink_counter = 8;
  const uint32_t on = palette_get(page->palette, 7), off = palette_get(page->palette, 0);
  const struct {
    uint8_t s, e;
    std::vector<int> rows;
  } cases[] = {
      {5, 0, {}},                                   // last line 0, first not: no cursor
      {0, 0, {0}},                                  // both 0: the top row
      {9, 6, {6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},  // last above first: from the last to the bottom
      {3, 3, {3}},                                  // one line at the top
      {4, 4, {14}},                                 // one line lower down: the underline at row 14
      {5, 6, {13, 14}},                             // two lines at the bottom
      {5, 7, {12, 13, 14}},                         // three lines at the bottom
      {3, 10, {8, 9, 10, 11, 12, 13, 14, 15}},      // longer: the lower half
      {1, 3, {1, 2, 3}},                            // from a top line
      {0, 5, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},  // from the top to the bottom
      {2, 3, {2, 3}},
      {2, 4, {12, 13, 14}},
      {2, 9, {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
      {20, 18, {}},  // starting below the cell
  };
  for (const auto& c : cases) {
    page->cursor_first_line = c.s;
    page->cursor_last_line = c.e;
    software_frame* f = build_whole();
    ASSERT_NE(f, nullptr);
    for (int y = 0; y < 16; ++y) {
      const bool filled = std::find(c.rows.begin(), c.rows.end(), y) != c.rows.end();
      for (int x = 0; x < 8; ++x)
        ASSERT_EQ(f->pixels[y * 640 + x], filled ? on : off) << int{c.s} << "," << int{c.e} << " row " << y;
      EXPECT_EQ(f->pixels[y * 640 + 8], off) << "the next cell has no cursor";
    }
  }
}

TEST_F(Frames, PrintingIntoTheLastColumnShowsTheCursorOnTheNextRow) {
  image_record* page = display_link.shown_image.load();
  page->cursor_visible = 1;
  frame_builder.blink_counter = 8;
  const uint32_t on = palette_get(page->palette, 7);
  set_cursor(page, 80, 3);
  set_line_held(page, 2);
  software_frame* f = build_whole();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->pixels[(3 * 16 + 14) * 640], on) << "column 0 of the row below";
  EXPECT_NE(f->pixels[(2 * 16 + 14) * 640 + 79 * 8], on);
  set_cursor(page, 80, 25);  // on the last row it stays where it is
  f = build_whole();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->pixels[(24 * 16 + 14) * 640 + 79 * 8], on);
  set_line_held(page, 0);
}

TEST_F(Frames, Screen11GoesThroughItsPalette) {
  screen_set(11, 0, 0, 0, 0, 1);
  image_record* page = display_link.shown_image.load();
  ASSERT_EQ(page->bits_per_pixel, 1);
  for (int i = 0; i < 640 * 480; i += 3) shared_store8(page->data + i, 1);
  palette_put(page->palette, 1, 0xFF102030);
  for (uint32_t background : {0xFF000000u, 0xFF405060u}) {
    palette_put(page->palette, 0, background);
    build_software_frame();
    software_frame* f = published();
    ASSERT_NE(f, nullptr) << "a palette change is a change";
    ASSERT_EQ(f->width, 640);
    ASSERT_EQ(f->height, 480);
    std::vector<uint32_t> expected(640 * 480);
    for (int i = 0; i < 640 * 480; ++i) expected[i] = i % 3 == 0 ? 0xFF102030 : background;
    EXPECT_EQ(mismatches(f, expected, 640), 0);
  }
}

TEST_F(Frames, ThirtyTwoBitImagesArePublishedAsTheyAre) {
  const int32_t handle = new_image(64, 48, 32, 1);
  ASSERT_LT(handle, 0);
  screen_set(handle, 0, 0, 0, 0, 1);
  image_record* img = display_link.shown_image.load();
  ASSERT_EQ(img->bits_per_pixel, 32);
  auto* pixels = reinterpret_cast<uint32_t*>(img->data);
  std::vector<uint32_t> expected(64 * 48);
  for (int i = 0; i < 64 * 48; ++i) {
    expected[i] = 0x80000000u | static_cast<uint32_t>(i * 2654435761u >> 8);  // alpha kept as it is
    shared_store32(pixels + i, expected[i]);
  }
  build_software_frame();
  software_frame* f = published();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->width, 64);
  EXPECT_EQ(f->height, 48);
  EXPECT_EQ(mismatches(f, expected, 64), 0);
  const uint64_t before = frame_ring.latest_order.load();
  build_software_frame();
  EXPECT_EQ(published(), nullptr) << "unchanged";
  EXPECT_GT(frame_ring.latest_order.load(), before);
  shared_store32(pixels + 64 * 47 + 63, 0xFF00FF00u);  // the very last pixel
  build_software_frame();
  ASSERT_NE(published(), nullptr);
  EXPECT_EQ(published()->pixels[64 * 48 - 1], 0xFF00FF00u);
}

TEST_F(Frames, OnlyChangedCellsAreRedrawn) {
  image_record* page = display_link.shown_image.load();
  fill_text_screen(page);
  for (int i = 0; i < 80 * 25; ++i) shared_store8(page->data + i * 2 + 1, (i * 13) & 0x7F);  // nothing blinks
  page->cursor_visible = 0;
  ASSERT_NE(build_whole(), nullptr);
  // Several rounds, so that the ring's frames are all reused: each round
  // poisons every frame outside the changed cell and changes that cell.
  const struct {
    int col, row;
  } changes[] = {{0, 0}, {79, 24}, {40, 12}, {0, 0}, {5, 1}, {79, 0}};
  uint8_t c = 'A';
  for (const auto& change : changes) {
    for (auto& f : frame_ring.frames)
      if (f.pixels)
        for (int i = 0; i < 640 * 400; ++i) f.pixels[i] = poison;
    put_cell(page, change.col, change.row, ++c, 0x1E);
    build_software_frame();
    software_frame* f = published();
    ASSERT_NE(f, nullptr);
    int drawn = 0, poisoned = 0;
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 640; ++x) {
        const bool in_cell = x / 8 == change.col && y / 16 == change.row;
        const uint32_t p = f->pixels[y * 640 + x];
        if (in_cell) {
          const bool set = (glyph_rows_8x16[c][y % 16] >> (7 - x % 8)) & 1;
          drawn += p == palette_get(page->palette, set ? 14 : 1);
        } else {
          poisoned += p == poison;
        }
      }
    EXPECT_EQ(drawn, 128) << "cell " << change.col << "," << change.row;
    EXPECT_EQ(poisoned, 640 * 400 - 128) << "cell " << change.col << "," << change.row;
  }
}

TEST_F(Frames, KeptCellsMatchAWholeRedrawAcrossTheRing) {
  // A run of small changes, each frame compared with the same screen drawn whole.
  image_record* page = display_link.shown_image.load();
  fill_text_screen(page);
  page->cursor_visible = 1;
  set_cursor(page, 1, 1);
  ASSERT_NE(build_whole(), nullptr);
  for (int step = 0; step < 40; ++step) {
    put_cell(page, (step * 17) % 80, (step * 7) % 25, static_cast<uint8_t>(step), static_cast<uint8_t>(step * 5));
    if (step % 5 == 0) set_cursor(page, 1 + step % 80, 1 + step % 25);
    frame_builder.blink_counter = step * 3;
    build_software_frame();
    software_frame* f = published();
    if (!f) continue;
    std::vector<uint32_t> incremental(f->pixels, f->pixels + 640 * 400);
    software_frame* whole = build_whole();
    ASSERT_NE(whole, nullptr);
    ASSERT_TRUE(std::equal(incremental.begin(), incremental.end(), whole->pixels)) << "step " << step;
  }
}

TEST_F(Frames, MonochromeColoursAlternateEvery512Ms) {
  screen_set(10, 0, 0, 0, 0, 1);
  image_record* page = display_link.shown_image.load();
  ASSERT_EQ(palette_get(page->palette, 6), 6u);  // entry 2 shows attribute 6
  shared_store8(page->data, 2);
  // Builds within one phase of the clock; returns the phase.
  auto build_in_phase = [](software_frame** f) {
    for (;;) {
      const int64_t before = ms_counter();
      build_software_frame();
      const int64_t after = ms_counter();
      if (((before >> 9) & 1) == ((after >> 9) & 1)) {
        *f = published();
        return static_cast<int32_t>((before >> 9) & 1);
      }
    }
  };
  software_frame* f = nullptr;
  const int32_t first = build_in_phase(&f);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->pixels[0], mono_attribute_table[first][6] | 0xFF000000u);
  // Within the same phase nothing changes; after the flip the colours do.
  while (((ms_counter() >> 9) & 1) == first) {
    build_software_frame();
    if (((ms_counter() >> 9) & 1) == first) {
      EXPECT_EQ(published(), nullptr);
    }
    platform_sleep(20);
  }
  const int32_t second = build_in_phase(&f);
  ASSERT_NE(second, first);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->pixels[0], mono_attribute_table[second][6] | 0xFF000000u);
  EXPECT_NE(mono_attribute_table[0][6], mono_attribute_table[1][6]);
}

// Frame states and orders set by hand: {state, order} for frames 0, 1, 2.
struct ring {
  int32_t state[3];
  uint64_t order[3];
};

void set_ring(const ring& r) {
  for (int i = 0; i < 3; ++i) {
    frame_ring.frames[i].state = r.state[i];
    frame_ring.frames[i].order = r.order[i];
  }
}

TEST(DisplayFrameChoice, TakesOnlyTheNewestReadyFrame) {
  const struct {
    ring before;
    int chosen;  // -1: none
    bool is_new;
    int32_t after[3];
  } cases[] = {
      {{{sf_ready, sf_ready, sf_ready}, {5, 7, 6}}, 1, true, {sf_free, sf_shown, sf_free}},
      {{{sf_shown, sf_ready, sf_free}, {5, 6, 0}}, 1, true, {sf_free, sf_shown, sf_free}},
      {{{sf_shown, sf_free, sf_free}, {5, 0, 0}}, 0, false, {sf_shown, sf_free, sf_free}},
      {{{sf_shown, sf_ready, sf_filling}, {8, 6, 9}}, 0, false, {sf_shown, sf_ready, sf_filling}},
      {{{sf_filling, sf_ready, sf_shown}, {4, 6, 5}}, 1, true, {sf_filling, sf_shown, sf_free}},
      {{{sf_free, sf_free, sf_filling}, {0, 0, 3}}, -1, false, {sf_free, sf_free, sf_filling}},
  };
  for (const auto& c : cases) {
    set_ring(c.before);
    bool is_new = !c.is_new;
    software_frame* f = take_frame_for_display(&is_new);
    EXPECT_EQ(f ? static_cast<int>(f - frame_ring.frames) : -1, c.chosen);
    EXPECT_EQ(is_new, c.is_new);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(frame_ring.frames[i].state.load(), c.after[i]) << "frame " << i;
  }
  frame_ring_reset();
}

TEST_F(Frames, FramesBuiltFasterThanShownLeaveOnlyTheNewest) {
  image_record* page = display_link.shown_image.load();
  for (int n = 0; n < 5; ++n) {  // five frames, none shown in between
    put_cell(page, n, 0, 'X', 0x07);
    build_software_frame();
    ASSERT_NE(published(), nullptr);
  }
  bool is_new = false;
  software_frame* shown = take_frame_for_display(&is_new);
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(is_new);
  EXPECT_EQ(shown->order.load(), frame_ring.latest_order.load());
  for (auto& f : frame_ring.frames)
    if (&f != shown) {
      EXPECT_EQ(f.state.load(), sf_free);
    }
  EXPECT_NE(shown->pixels[4 * 8 + 640 * 3], shown->pixels[5 * 8 + 640 * 3]) << "the fifth cell is there";
}

TEST_F(Frames, BuilderAndDisplayRacingKeepTheRingConsistent) {
  // The builder on this thread, the display on another, as fast as they go.
  image_record* page = display_link.shown_image.load();
  std::atomic<bool> stop{false};
  std::atomic<int> taken{0}, broken{0};
  std::thread display([&] {
    uint64_t last = 0;
    while (!stop.load()) {
      bool is_new = false;
      software_frame* f = take_frame_for_display(&is_new);
      if (!f) continue;
      int shown = 0;
      for (auto& g : frame_ring.frames) shown += g.state.load() == sf_shown;
      if (f->state.load() != sf_shown || f->order.load() < last || shown != 1) broken.fetch_add(1);
      last = f->order.load();
      taken.fetch_add(is_new);
    }
  });
  for (int n = 0; n < 3000; ++n) {
    put_cell(page, n % 80, 0, static_cast<uint8_t>(n), 0x07);
    build_software_frame();
  }
  stop = true;
  display.join();
  EXPECT_EQ(broken.load(), 0);
  EXPECT_GT(taken.load(), 0);
  int shown = 0, filling = 0;
  for (auto& f : frame_ring.frames) {
    shown += f.state.load() == sf_shown;
    filling += f.state.load() == sf_filling;
  }
  EXPECT_LE(shown, 1);
  EXPECT_EQ(filling, 0);
}

// Scrolls racing the builder: moves the builder waits for, moves made with
// atomic stores while it reads, and frames built in between. Once both stop,
// the newest frame must be the picture a whole redraw gives.
TEST_F(Frames, ScrollingWhileTheBuilderRunsEndsInTheRightPicture) {
  for (const int32_t mode : {0, 11}) {
    SCOPED_TRACE(mode);
    screen_first_mode();
    if (mode) screen_set(mode, 0, 0, 0, 0, 1);
    frame_ring_reset();
    display_link.prev_valid = 0;
    std::atomic<bool> stop{false};
    std::atomic<int> builds{0};
    std::thread builder([&] {
      while (!stop.load()) {
        build_software_frame();
        builds.fetch_add(1);
      }
    });
    std::string line;
    for (int n = 0; n < 4000 || builds.load() < 50; ++n) {
      line = "line " + std::to_string(n) + std::string(static_cast<size_t>(n % 60), static_cast<char>('!' + n % 90));
      print_chars(reinterpret_cast<const uint8_t*>(line.data()), static_cast<int32_t>(line.size()), 1);
    }
    stop = true;
    builder.join();
    build_software_frame();  // whatever the last racing build missed
    // A scroll alone, with nothing printed after it, must be seen too.
    new_line();
    build_software_frame();

    software_frame* newest = nullptr;
    for (auto& f : frame_ring.frames)
      if (f.state.load() == sf_ready && (!newest || f.order.load() > newest->order.load())) newest = &f;
    ASSERT_NE(newest, nullptr);
    const std::vector<uint32_t> incremental(newest->pixels, newest->pixels + newest->width * newest->height);
    software_frame* whole = build_whole();
    ASSERT_NE(whole, nullptr);
    ASSERT_EQ(whole->width * whole->height, static_cast<int32_t>(incremental.size()));
    EXPECT_EQ(mismatches(whole, incremental, whole->width), 0);
  }
}

// The main loop's frame step on its own thread, every 2 ms, until stopped.
class MainLoopThread {
 public:
  MainLoopThread()
      : thread_([this] {
          while (!stop_.load()) {
            display_frame_step();
            platform_sleep(2);
          }
        }) {}
  ~MainLoopThread() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST_F(Frames, DisplayStatementSwitchesToManualAfterOneMoreFrame) {
  image_record* page = display_link.shown_image.load();
  // The cell is written before the main loop starts: a build already under way
  // when the display statement comes may be the one that ends automatic display.
  put_cell(page, 0, 0, 'A', 0x1F);
  MainLoopThread main_loop;
  display_statement();  // waits until the main loop has built a frame and turned it to manual
  EXPECT_EQ(display_link.automatic.load(), 0);
  EXPECT_EQ(auto_display_query(), 0);
  // The newest picture shows the cell (the last build may have found nothing
  // new since the one that published it, and discarded its frame).
  software_frame* f = nullptr;
  for (auto& frame : frame_ring.frames)
    if (frame.state.load() == sf_ready && (!f || frame.order.load() > f->order.load())) f = &frame;
  ASSERT_NE(f, nullptr) << "a frame shows the cell";
  EXPECT_EQ(f->pixels[0], palette_get(page->palette, 1));
  // The main loop builds no more frames in manual display.
  const uint64_t manual = frame_ring.latest_order.load();
  put_cell(page, 1, 0, 'B', 0x2F);
  platform_sleep(40);
  EXPECT_EQ(frame_ring.latest_order.load(), manual);
  // Later display statements build the frame on the calling thread at once.
  display_statement();
  EXPECT_GT(frame_ring.latest_order.load(), manual);
  ASSERT_NE(published(), nullptr);
  EXPECT_EQ(published()->pixels[8], palette_get(page->palette, 2));
  auto_display_statement();
  EXPECT_EQ(auto_display_query(), -1);
}

// A cell written while the main loop is in the middle of a build must still be
// in the frame that ends automatic display; the build under way may have read
// that cell already. Many rounds, so that some land inside a build.
TEST_F(Frames, DisplayStatementShowsEverythingWrittenBeforeIt) {
  image_record* page = display_link.shown_image.load();
  MainLoopThread main_loop;
  for (int round = 0; round < 100; ++round) {
    auto_display_statement();
    platform_sleep(round % 3);
    const auto colour = static_cast<uint8_t>(1 + round % 15);
    put_cell(page, 0, 0, 0xDB, colour);  // a full block: the cell's first pixel is the colour
    display_statement();
    ASSERT_EQ(display_link.automatic.load(), 0);
    software_frame* newest = nullptr;
    for (auto& frame : frame_ring.frames)
      if (frame.state.load() == sf_ready && (!newest || frame.order.load() > newest->order.load())) newest = &frame;
    ASSERT_NE(newest, nullptr);
    ASSERT_EQ(newest->pixels[0], palette_get(page->palette, colour)) << "round " << round;
  }
}

TEST_F(Frames, FreezeHandshakeStopsTheBuilderUntilReleased) {
  image_record* page = display_link.shown_image.load();
  display_link.ready = 1;
  MainLoopThread main_loop;
  display_freeze_wait();  // asks, and waits for the builder's answer
  EXPECT_EQ(display_link.freeze.load(), 2);
  const uint64_t frozen = frame_ring.latest_order.load();
  put_cell(page, 0, 0, 'A', 0x1F);
  platform_sleep(40);
  EXPECT_EQ(frame_ring.latest_order.load(), frozen) << "no frame while frozen";
  display_unfreeze();
  EXPECT_EQ(display_link.freeze.load(), 0);
  for (int waited = 0; frame_ring.latest_order.load() == frozen && waited < 1000; ++waited) platform_sleep(1);
  EXPECT_GT(frame_ring.latest_order.load(), frozen);
  display_link.ready = 0;
}

}  // namespace
