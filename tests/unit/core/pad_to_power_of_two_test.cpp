#include "runtime/gpu/detail/drawing.h"

#include <gtest/gtest.h>

#include <vector>

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
