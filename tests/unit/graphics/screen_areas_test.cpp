#include <cstring>
#include <vector>

#include "tests/unit/graphics/graphics_fixture.h"

namespace {

using ScreenAreasTest = GraphicsTest;

TEST_F(ScreenAreasTest, StoredFormByImageKind) {
  // A 10 x 2 area whose top row holds colours 0, 1, 2, ... (masked), bottom row their inverse.
  const struct {
    int32_t mode;
    std::vector<uint8_t> start;  // header and the first bytes of the first row
    int64_t bytes;
  } cases[] = {
      {12, {10, 0, 2, 0, 0x55, 0x40, 0x33, 0x00}, 4 + 2 * 8},    // width in pixels; planes of 2 bytes
      {13, {80, 0, 2, 0, 0, 1, 2, 3}, 4 + 2 * 10},               // width in bits
      {1, {20, 0, 2, 0, 0x1B, 0x1B, 0x10}, 4 + 2 * 3},           // 2 bits a pixel
      {2, {10, 0, 2, 0, 0x55, 0x40}, 4 + 2 * 2},                 // 1 bit a pixel
      {32, {0, 0, 0, 0, 10, 0, 0, 0, 2, 0, 0, 0, 32, 0, 0, 0, 0, 0, 0, 0xFF}, 16 + 2 * 40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    image_record* img = use_image(16, 8, c.mode);
    for (int32_t x = 0; x < 10; ++x) {
      set_pixel(x + 3, 4, img->bytes_per_pixel == 4 ? 0xFF000000u | x : x & img->mask);
      set_pixel(x + 3, 5, img->bytes_per_pixel == 4 ? 0xFF000000u | ~x : ~x & img->mask);
    }
    ASSERT_EQ(area_bytes(10, 2), c.bytes);
    std::vector<uint8_t> array(static_cast<size_t>(c.bytes) + 3, 0xEE);
    area_get(3, 4, 12, 5, array.data(), c.bytes, 0);
    ASSERT_EQ(take_error(), 0);
    EXPECT_EQ(std::vector<uint8_t>(array.begin(), array.begin() + c.start.size()), c.start);
    EXPECT_EQ(array[c.bytes], 0xEE);  // nothing past the area
    EXPECT_EQ(graphics_point(), (point{12, 5}));
    // PSET puts it back elsewhere exactly; XOR twice leaves the screen as it was.
    area_put(0, 0, array.data(), c.bytes, put_pset, 0);
    for (int32_t x = 0; x < 10; ++x) {
      EXPECT_EQ(pixel(x, 0), pixel(x + 3, 4));
      EXPECT_EQ(pixel(x, 1), pixel(x + 3, 5));
    }
    const points before = drawn();
    area_put(5, 5, array.data(), c.bytes, put_xor, 0);
    EXPECT_NE(drawn(), before);
    area_put(5, 5, array.data(), c.bytes, put_xor, 0);
    EXPECT_EQ(drawn(), before);
    EXPECT_EQ(take_error(), 0);
  }
}

TEST_F(ScreenAreasTest, ActionsCombineWithWhatIsThere) {
  const struct {
    int32_t action;
    uint32_t expected;  // picture 0b0110 over screen 0b1100 in mode 12
  } cases[] = {{put_pset, 6}, {put_preset, 9}, {put_and, 4}, {put_or, 14}, {put_xor, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.action);
    use_image(8, 8, 12);
    set_pixel(1, 1, 6);
    uint8_t array[12];
    area_get(1, 1, 1, 1, array, sizeof array, 0);
    set_pixel(2, 2, 12);
    area_put(2, 2, array, sizeof array, c.action, 0);
    EXPECT_EQ(pixel(2, 2), c.expected);
  }
  // 32-bit PRESET inverts the colour channels and keeps the alpha.
  use_image(4, 4, 32);
  set_pixel(0, 0, 0x80123456);
  uint8_t array[20];
  area_get(0, 0, 0, 0, array, sizeof array, 0);
  area_put(1, 1, array, sizeof array, put_preset, 0);
  EXPECT_EQ(pixel(1, 1), 0x80EDCBA9u);
}

TEST_F(ScreenAreasTest, BadRectanglesArraysAndHeadersAreErrorFive) {
  use_image(16, 8, 13);
  std::vector<uint8_t> array(64, 0);
  const auto get_fails = [&](float x1, float y1, float x2, float y2, int64_t size) {
    area_get(x1, y1, x2, y2, array.data(), size, 0);
    return take_error() == 5;
  };
  EXPECT_TRUE(get_fails(0, 0, 16, 1, 64));   // past the right edge
  EXPECT_TRUE(get_fails(-1, 0, 2, 1, 64));   // before the left edge
  EXPECT_TRUE(get_fails(0, 0, 3, 1, 11));    // 4 + 2 x 4 bytes needed
  EXPECT_FALSE(get_fails(3, 1, 0, 0, 12));   // corners in any order
  const auto put_fails = [&](std::vector<uint8_t> header, int64_t size, float x = 0) {
    std::memcpy(array.data(), header.data(), header.size());
    area_put(x, 0, array.data(), size, put_pset, 0);
    return take_error() == 5;
  };
  EXPECT_FALSE(put_fails({32, 0, 2, 0}, 12));
  EXPECT_TRUE(put_fails({32, 0, 2, 0}, 11));          // claims more than the array holds
  EXPECT_TRUE(put_fails({32, 0, 2, 0}, 12, 13));      // would leave the view
  EXPECT_TRUE(put_fails({30, 0, 2, 0}, 64));          // not whole pixels of 8 bits
  EXPECT_TRUE(put_fails({0xFF, 0xFF, 0xFF, 0xFF}, 64));
  EXPECT_TRUE(put_fails({0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 32, 0, 0, 0}, 64));  // a 32-bit picture
  EXPECT_TRUE(put_fails({0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 8, 0, 0, 0}, 16));   // no room for its pixel
  EXPECT_FALSE(put_fails({0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 8, 0, 0, 0}, 17));
  EXPECT_TRUE(put_fails({8, 0}, 2));
}

TEST_F(ScreenAreasTest, WideIndexedAreasTakeTheLongHeader) {
  // 9000 pixels of 8 bits: 72,000 bits do not fit the width word.
  use_image(9000, 2, 13);
  EXPECT_EQ(area_bytes(9000, 2), 16 + 2 * 9000);
  EXPECT_EQ(area_bytes(8191, 2), 4 + 2 * 8191);
}

}  // namespace
