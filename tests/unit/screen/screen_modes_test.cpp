#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "tests/unit/screen/screen_fixture.h"

namespace {

void screen(int32_t mode) { screen_set(mode, 0, 0, 0, 0, 1); }

// WIDTH's request for the next text screen.
void pend(int32_t cols, int32_t rows, int32_t font) {
  screen_setup.text_cols = cols;
  screen_setup.text_rows = rows;
  screen_setup.text_font = font;
}

TEST_F(ScreenTest, StartUpIsAnEightPageTextScreen) {
  EXPECT_EQ(screen_pages.table[0], 2);  // slots 0 and 1 are reserved
  for (int32_t p = 0; p < 8; ++p) {
    image_record* img = page(p);
    EXPECT_EQ(img->mode, 0);
    EXPECT_EQ(img->width, 80);
    EXPECT_EQ(img->height, 25);
    EXPECT_EQ(img->font, 16u);
    EXPECT_EQ(img->bottom_row, 24);
    EXPECT_EQ(img->data, video_memory.text + p * 4096);
    EXPECT_TRUE(img->flags & image_is_page);
  }
  EXPECT_EQ(write_image, page(0));
  EXPECT_EQ(display_link.shown_image.load(), page(0));
  EXPECT_EQ(write_image->colour, 7u);
  EXPECT_EQ(write_image->background, 0u);
  for (size_t i = 0; i < text_memory_size; i += 2) {
    ASSERT_EQ(video_memory.text[i], 32);
    ASSERT_EQ(video_memory.text[i + 1], 7);
  }
}

TEST_F(ScreenTest, FirstScreen11MakesOneTwoColourPage) {
  const int32_t old_page3 = screen_pages.table[3];
  screen(11);
  EXPECT_EQ(screen_pages.count, 1);
  EXPECT_FALSE(image_index_valid(old_page3));
  image_record* img = page(0);
  EXPECT_EQ(img->width, 640);
  EXPECT_EQ(img->height, 480);
  EXPECT_EQ(img->bits_per_pixel, 1);
  EXPECT_EQ(img->mask, 1u);
  EXPECT_EQ(img->font, 16u);
  EXPECT_EQ(image_columns(img), 80);
  EXPECT_EQ(image_rows(img), 30);
  EXPECT_EQ(img->top_row, 1);
  EXPECT_EQ(img->bottom_row, 29);
  EXPECT_EQ(img->colour, 1u);
  EXPECT_EQ(img->background, 0u);
  EXPECT_EQ(palette_get(img->palette, 0) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(palette_get(img->palette, 1) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(write_image, img);
  EXPECT_EQ(read_image, img);
  EXPECT_EQ(display_link.shown_image.load(), img);
}

TEST_F(ScreenTest, SameModeWithoutPagesChangesNothing) {
  screen(12);
  image_record* img = page(0);
  shared_store8(img->data + 5, 9);
  display_link.ready.store(1);  // no frame builder runs: a freeze would never be answered
  screen(12);
  EXPECT_EQ(page(0), img);
  EXPECT_EQ(img->data[5], 9);
  EXPECT_EQ(display_link.freeze.load(), 0);
  display_link.ready.store(0);
}

TEST_F(ScreenTest, PixelModesFollowTheOldTextGrid) {
  struct {
    int32_t cols, rows, font;  // text screen before
    int32_t mode;
    uint32_t expected_font;
    int32_t expected_rows;
  } cases[] = {
      {80, 60, 8, 12, 8, 60}, {80, 60, 8, 11, 8, 60}, {80, 25, 16, 12, 16, 30},
      {80, 43, 8, 9, 8, 43},  {80, 43, 8, 10, 8, 43}, {80, 25, 16, 9, 14, 25},
  };
  for (const auto& c : cases) {
    pend(c.cols, c.rows, c.font);
    screen(0);
    ASSERT_EQ(page(0)->height, c.rows);
    screen(c.mode);
    EXPECT_EQ(page(0)->font, c.expected_font) << c.cols << "x" << c.rows << " -> " << c.mode;
    EXPECT_EQ(image_rows(page(0)), c.expected_rows) << c.cols << "x" << c.rows << " -> " << c.mode;
  }
}

TEST_F(ScreenTest, TextScreenSizeFromPendingValuesAndOldGrid) {
  struct {
    int32_t before_mode;  // 0 = the start-up text screen
    int32_t before_font;  // font set on the pixel screen before, 0 = default
    int32_t cols, rows, font;  // pending, -1 = not set
    int32_t expected_cols, expected_rows;
    uint32_t expected_font;
    size_t expected_page_size;
  } cases[] = {
      {0, 0, 40, 25, 17, 40, 25, 17, 2048},   // WIDTH 40 on 80x25
      {12, 0, 40, -1, -1, 40, 25, 17, 2048},  // WIDTH 40 on SCREEN 12 (30 rows)
      {9, 8, -1, -1, -1, 80, 43, 8, 6880},    // 80x43 kept from the old screen
      {0, 0, -1, 43, -1, 80, 43, 14, 6880},   // WIDTH , 43
      {0, 0, -1, 50, -1, 80, 50, 8, 8000},
      {12, 0, -1, -1, -1, 80, 25, 16, 4096},  // 80x30 is not kept
  };
  for (const auto& c : cases) {
    if (c.before_mode) screen(c.before_mode);
    if (c.before_font) set_font(c.before_font, page(0));
    pend(c.cols, c.rows, c.font);
    screen(0);
    ASSERT_EQ(take_error(), 0);
    image_record* img = page(0);
    EXPECT_EQ(img->width, c.expected_cols);
    EXPECT_EQ(img->height, c.expected_rows);
    EXPECT_EQ(img->font, c.expected_font);
    EXPECT_EQ(page(1)->data - page(0)->data, static_cast<ptrdiff_t>(c.expected_page_size));
    EXPECT_EQ(page(7)->font, c.expected_font);
    EXPECT_EQ(screen_setup.text_cols, -1);
    EXPECT_EQ(screen_setup.text_rows, -1);
    EXPECT_EQ(screen_setup.text_font, -1);
    screen(12);  // leave text mode so the next case starts from a known grid
    pend(-1, -1, -1);
    screen(0);
  }
}

TEST_F(ScreenTest, LargeTextPagesGetTheirOwnMemory) {
  pend(80, 50, 8);  // 8000 bytes a page: eight fit
  screen(0);
  EXPECT_EQ(page(7)->data, video_memory.text + 7 * 8000);
  pend(255, 255, 8);  // 130050 bytes: none fits
  screen(0);
  for (int32_t p = 0; p < 8; ++p) {
    EXPECT_TRUE(page(p)->flags & image_owns_pixels);
    EXPECT_EQ(page(p)->data[0], 32);
    EXPECT_EQ(page(p)->data[1], 7);
  }
}

TEST_F(ScreenTest, NamedPageIsMadeWithPageZerosShapeAndPalette) {
  screen(7);
  screen_set(0, 0, 5, 0, 0, 4);  // SCREEN , , 5
  ASSERT_EQ(screen_pages.count, 6);
  image_record* p5 = page(5);
  EXPECT_EQ(p5->width, 320);
  EXPECT_EQ(p5->height, 200);
  EXPECT_EQ(p5->mode, 7);
  EXPECT_EQ(p5->font, 8u);
  EXPECT_EQ(p5->palette, page(0)->palette);
  EXPECT_FALSE(p5->flags & image_owns_palette);
  EXPECT_TRUE(p5->flags & image_is_page);
  EXPECT_EQ(write_image, p5);
  EXPECT_EQ(display_link.shown_image.load(), p5);  // the visual page follows the active one
  for (int32_t p = 1; p < 5; ++p) EXPECT_EQ(screen_pages.table[p], 0);
}

TEST_F(ScreenTest, ActivePageTakesTheGraphicsStateOfTheLastOne) {
  screen(12);
  page(0)->gfx_x = 17;
  page(0)->view_x2 = 300;
  set_cursor(page(0), 4, 9);
  screen_set(0, 0, 1, 0, 0, 4 | 8);  // SCREEN , , 1, 0
  EXPECT_EQ(write_image, page(1));
  EXPECT_EQ(display_link.shown_image.load(), page(0));
  EXPECT_EQ(page(1)->gfx_x, 17);
  EXPECT_EQ(page(1)->view_x2, 300);
  EXPECT_EQ(page(1)->colour, 15u);
  EXPECT_EQ(page(1)->bottom_row, 29);
}

TEST_F(ScreenTest, BadModesPagesAndHandlesAreRefused) {
  struct {
    int32_t mode, active, visual, given;
    int32_t error;
  } cases[] = {
      {3, 0, 0, 1, 5},  {4, 0, 0, 1, 5},  {6, 0, 0, 1, 5},          {14, 0, 0, 1, 5},
      {256, 0, 0, 1, 5}, {32, 0, 0, 1, 5}, {0, -1, 0, 4, 5},        {0, 0, -3, 8, 5},
      {0, 0x7FFFFFFF, 0, 4, 5}, {-1, 0, 0, 1, 258}, {-0x7FFFFFFF - 1, 0, 0, 1, 258}, {-400, 0, 0, 1, 258},
  };
  image_record* before = page(0);
  for (const auto& c : cases) {
    screen_set(c.mode, 0, c.active, c.visual, 0, c.given);
    EXPECT_EQ(take_error(), c.error) << c.mode << " " << c.active << " " << c.visual;
    EXPECT_EQ(page(0), before);
  }
  // A page of the screen cannot become page 0 of a new one: it would be freed with the old screen.
  screen_set(-screen_pages.table[3], 0, 0, 0, 0, 1);
  EXPECT_EQ(take_error(), 5);
}

TEST_F(ScreenTest, ModeChangeClearsTheScreen) {
  video_memory.text[0] = 'A';
  screen(12);
  shared_store8(page(0)->data, 3);
  screen(0);
  EXPECT_EQ(video_memory.text[0], 32);
  screen(13);
  EXPECT_EQ(page(0)->data, video_memory.mode13);
  video_memory.mode13[100] = 7;
  screen(12);
  screen(13);
  EXPECT_EQ(video_memory.mode13[100], 0);
}

TEST_F(ScreenTest, HandedImageBecomesPageZeroAndOutlivesTheScreen) {
  const int32_t handle = new_image(100, 50, 32, 1);
  ASSERT_LT(handle, -1);
  screen_set(handle, 0, 0, 0, 0, 1);
  ASSERT_EQ(screen_pages.table[0], -handle);
  EXPECT_TRUE(page(0)->flags & image_is_page);
  free_image(handle, 1);
  EXPECT_EQ(take_error(), 5);  // a screen page
  screen(0);
  ASSERT_TRUE(image_index_valid(-handle));
  EXPECT_FALSE(image_at(-handle)->flags & image_is_page);
  free_image(handle, 1);
  EXPECT_EQ(take_error(), 0);
  EXPECT_FALSE(image_index_valid(-handle));
}

TEST_F(ScreenTest, PageCopyNeedsTheSameShapeAndEnoughColours) {
  screen(12);  // 640x480, 4 bits
  const int32_t mono = new_image(640, 480, 11, 1);
  shared_store8(page(0)->data, 9);
  page_copy(0, mono);
  EXPECT_EQ(take_error(), 5);
  EXPECT_EQ(image_at(-mono)->data[0], 0);
  shared_store8(image_at(-mono)->data + 1, 1);
  page_copy(mono, 0);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(page(0)->data[0], 0);
  EXPECT_EQ(page(0)->data[1], 1);
  const int32_t small = new_image(64, 48, 12, 1);
  page_copy(small, 0);
  EXPECT_EQ(take_error(), 5);
  page_copy(-1, 0);
  EXPECT_EQ(take_error(), 5);
  page_copy(0, 0);  // the same image: nothing
  EXPECT_EQ(take_error(), 0);
}

TEST_F(ScreenTest, TextPageCopy) {
  video_memory.text[0] = 'Q';
  page_copy(0, 3);
  EXPECT_EQ(page(3)->data[0], 'Q');
}

// The frame builder's side of the freeze handshake, on its own thread: it
// answers a freeze request and otherwise reads the shown page as a frame would.
TEST_F(ScreenTest, ModeChangesWaitForTheFrameBuilder) {
  std::atomic<bool> stop{false};
  std::atomic<int64_t> frames{0};
  std::atomic<uint64_t> sink{0};
  std::thread builder([&] {
    uint64_t sum = 0;
    while (!stop.load()) {
      if (display_link.freeze.load() == 1) {
        display_link.freeze.store(freeze_standing);
        display_link.freeze_answers.fetch_add(1);
        wake_word_waiters(display_link.freeze_answers);
        continue;
      }
      if (display_link.freeze.load() != 0) {
        std::this_thread::yield();
        continue;
      }
      image_record* img = display_link.shown_image.load(std::memory_order_acquire);
      const size_t bytes = static_cast<size_t>(img->width) * img->height * img->bytes_per_pixel;
      for (size_t i = 0; i < bytes; i += 97) sum += shared_get(img->data[i]);
      if (img->palette) sum += palette_get(img->palette, 1);
      frames.fetch_add(1);
    }
    sink.store(sum);
  });
  display_link.ready.store(1);
  const int32_t modes[] = {12, 0, 13, 9, 1, 0, 11, 7};
  const auto start = std::chrono::steady_clock::now();
  for (int32_t round = 0; round < 40; ++round) {
    for (const int32_t m : modes) {
      screen(m);
      ASSERT_EQ(display_link.freeze.load(), 0);
      // Let the builder read the new screen before the next change.
      const int64_t seen = frames.load();
      while (frames.load() == seen && std::chrono::steady_clock::now() - start < std::chrono::seconds(30))
        std::this_thread::yield();
      screen_set(0, 0, 1, 0, 0, 4 | 8);  // page changes go without the handshake
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  stop.store(true);
  builder.join();
  display_link.ready.store(0);
  EXPECT_GE(frames.load(), 40 * 8);
  EXPECT_LT(seconds, 30.0);
  EXPECT_EQ(take_error(), 0);
}

}  // namespace
