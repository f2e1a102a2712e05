// Turns between the builder's reads and the program's plain scrolls; the
// graphics statements' pixel store.
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "tests/unit/screen/screen_fixture.h"

namespace {

using ScreenReadTurns = ScreenTest;

// Rows of distinct content, so a move by the wrong amount or a missed row shows.
void fill_rows(image_record* img) {
  const size_t bytes = static_cast<size_t>(img->width) * img->height * img->bytes_per_pixel;
  for (size_t i = 0; i < bytes; ++i) shared_store8(img->data + i, static_cast<uint8_t>(i * 31 / 7 + i / 160));
}

std::vector<uint8_t> contents(const image_record* img) {
  return {img->data, img->data + static_cast<size_t>(img->width) * img->height * img->bytes_per_pixel};
}

TEST_F(ScreenReadTurns, ScrollGivesTheSameImageWhetherOrNotTheBuilderIsReading) {
  const struct {
    int32_t mode;
    int32_t top, bottom;
  } cases[] = {{0, 1, 24}, {0, 5, 9}, {11, 1, 29}, {11, 30, 30}, {13, 2, 25}, {32, 1, 30}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    screen_first_mode();
    if (c.mode == 32) {
      // A 32-bit screen: the blank row takes the background as it is.
      screen_set(new_image(640, 480, 32, 1), 0, 0, 0, 0, 1);
    } else if (c.mode) {
      screen_set(c.mode, 0, 0, 0, 0, 1);
    }
    image_record* img = write_image;
    ASSERT_EQ(img->bits_per_pixel == 32, c.mode == 32);
    img->background = img->text ? 1 : c.mode == 32 ? 0xFF102030 : 3;
    img->colour = img->text ? 14 : 5;
    fill_rows(img);
    const std::vector<uint8_t> start = contents(img);

    ASSERT_EQ(builder_reading.load(), 0);
    scroll_rows_up(img, c.top, c.bottom);
    const std::vector<uint8_t> plain = contents(img);
    EXPECT_NE(plain, start);

    // Again from the same start, with the builder holding its turn: the atomic path.
    shared_copy(img->data, start.data(), start.size());
    {
      screen_read_turn turn;
      turn.take();
      EXPECT_FALSE(begin_plain_writes());
      scroll_rows_up(img, c.top, c.bottom);
    }
    EXPECT_EQ(contents(img), plain);
    EXPECT_EQ(builder_reading.load(), 0) << "the turn ends with its scope";
    EXPECT_EQ(program_moving.load(), 0);
  }
}

TEST_F(ScreenReadTurns, BuilderWaitsForAMoveInProgressAndNotOtherwise) {
  ASSERT_TRUE(begin_plain_writes());
  std::atomic<int> reading{0};
  std::thread builder([&] {
    screen_read_turn turn;
    turn.take();
    reading = 1;
  });
  // The builder announces itself first (however late its thread starts), then
  // must stay out until the move ends.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (builder_reading.load() == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_EQ(builder_reading.load(), 1) << "the builder did not announce itself";
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(reading.load(), 0) << "the builder read during a plain move";
  end_plain_writes();
  builder.join();
  EXPECT_EQ(reading.load(), 1);
  EXPECT_EQ(builder_reading.load(), 0);

  // Once the builder is done, the program's next move is plain again.
  EXPECT_TRUE(begin_plain_writes());
  end_plain_writes();
}

TEST_F(ScreenReadTurns, EndingAMoveMarksTheScreenWritten) {
  shared_memory_written = false;
  ASSERT_TRUE(begin_plain_writes());
  EXPECT_FALSE(shared_memory_written.load());
  end_plain_writes();
  EXPECT_TRUE(shared_memory_written.load());
}

using GraphicsPixelStore = ScreenTest;

TEST_F(GraphicsPixelStore, BlendsThirtyTwoBitColours) {
  const struct {
    uint32_t before, colour, after;
  } cases[] = {
      {0xFF204060, 0x80FF8000, 0xFF8F6030},  // 0x80: channel averages, alpha by its table
      {0x00204060, 0x7F0000FF, 0x7F1020AF},  // 0x7F over alpha 0: its own table
      {0xFF000000, 0x40FFFFFF, 0xFF404040},  // other alphas: the blending tables
  };
  set_dest(new_image(4, 4, 32, 1));
  auto* words = reinterpret_cast<uint32_t*>(write_image->data);
  for (const auto& c : cases) {
    words[9] = c.before;
    pixel_store(write_image, 1, 2, c.colour);
    EXPECT_EQ(words[9], c.after) << std::hex << c.colour;
  }
}

// Only positions inside the view port change; those outside it, and outside
// the image, are dropped.
TEST_F(GraphicsPixelStore, ClippedStoreKeepsInsideTheViewPort) {
  set_dest(new_image(8, 8, 32, 1));
  view(2, 2, 5, 5, 0, 0, 3);  // VIEW SCREEN (2, 2)-(5, 5)
  ASSERT_EQ(take_error(), 0);
  auto* words = reinterpret_cast<uint32_t*>(write_image->data);
  const struct {
    int32_t x, y;
    bool stored;
  } cases[] = {{2, 2, true}, {5, 5, true}, {3, 4, true}, {1, 3, false}, {6, 3, false}, {3, 1, false}, {3, 6, false},
               {-1, 3, false}, {3, 100, false}};
  for (const auto& c : cases) {
    pixel_store_clipped(write_image, c.x, c.y, 0xFF112233);
    if (c.x >= 0 && c.x < 8 && c.y >= 0 && c.y < 8) {
      EXPECT_EQ(words[c.y * 8 + c.x] == 0xFF112233, c.stored) << c.x << "," << c.y;
    }
  }
  int stored = 0;
  for (int i = 0; i < 64; ++i) stored += words[i] == 0xFF112233;
  EXPECT_EQ(stored, 3);
}

}  // namespace
