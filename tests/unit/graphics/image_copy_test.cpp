#include <vector>

#include "tests/unit/graphics/graphics_fixture.h"

namespace {

class ImageCopyTest : public GraphicsTest {
 public:
  // A w x h image of the mode whose pixel (x, y) holds fill(x, y); its handle.
  template <typename Fill>
  static int32_t made(int32_t w, int32_t h, int32_t mode, Fill fill) {
    const int32_t handle = new_image(w, h, mode, 1);
    image_record* img = image_at(static_cast<int32_t>(-handle));
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const size_t at = static_cast<size_t>(y) * w + x;
        if (img->bytes_per_pixel == 1)
          img->data[at] = static_cast<uint8_t>(fill(x, y));
        else
          reinterpret_cast<uint32_t*>(img->data)[at] = fill(x, y);
      }
    return handle;
  }
  static constexpr int32_t both_corners = copy_destination_first_given | copy_destination_second_given;
  static constexpr int32_t from = copy_source_given;
};

TEST_F(ImageCopyTest, NearestPixelScalingAndFlips) {
  const int32_t src = made(3, 2, 13, [](int32_t x, int32_t y) { return 1 + x + 3 * y; });  // 1 2 3 / 4 5 6
  const struct {
    const char* name;
    float x1, y1, x2, y2;
    int32_t flags;
    std::vector<uint32_t> rows;  // the destination's top-left 6 x 4
  } cases[] = {
      {"one corner: the source's size there", 1, 1, 0, 0, copy_destination_first_given,
       {0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 0, 0, 0, 4, 5, 6, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"twice as large repeats every pixel twice", 0, 0, 5, 3, both_corners,
       {1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 4, 4, 5, 5, 6, 6}},
      {"right-to-left and bottom-to-top mirror", 2, 1, 0, 0, both_corners,
       {6, 5, 4, 0, 0, 0, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      // Centres at 3/4 and 9/4 of the source's width, and on the line between its rows (the lower taken).
      {"halved: the pixel under each centre", 0, 0, 1, 0, both_corners,
       {4, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"clipped at the image's edge, far corner", -3, 0, 2.9999e9f, 0, both_corners,
       {4, 4, 4, 4, 4, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    use_image(6, 4, 13);
    image_copy(c.x1, c.y1, c.x2, c.y2, src, 0, 0, 0, 0, 0, c.flags | from);
    EXPECT_EQ(take_error(), 0);
    std::vector<uint32_t> got;
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 6; ++x) got.push_back(pixel(x, y));
    EXPECT_EQ(got, c.rows);
  }
}

TEST_F(ImageCopyTest, FormatsAndBlending) {
  // Indexed into 32-bit through the source's palette; 32-bit over 32-bit blends unless blending is off.
  const int32_t indexed = made(1, 1, 13, [](int32_t, int32_t) { return 4; });
  const int32_t half = made(1, 1, 32, [](int32_t, int32_t) { return 0x80FF0000u; });
  image_record* dst = use_image(2, 1, 32);
  set_pixel(1, 0, 0xFF0000FF);
  image_copy(0, 0, 0, 0, indexed, 0, 0, 0, 0, 0, copy_destination_first_given | from);
  EXPECT_EQ(pixel(0, 0), palette_get(image_at(-indexed)->palette, 4));
  image_copy(1, 0, 0, 0, half, 0, 0, 0, 0, 0, copy_destination_first_given | from);
  EXPECT_EQ(pixel(1, 0), graphics_blend(0xFF0000FF, 0x80FF0000));
  dst->blend_off = 1;
  image_copy(1, 0, 0, 0, half, 0, 0, 0, 0, 0, copy_destination_first_given | from);
  EXPECT_EQ(pixel(1, 0), 0x80FF0000u);
  EXPECT_EQ(take_error(), 0);
  // 32-bit into indexed, a source corner outside the source, a text surface: error 5.
  use_image(4, 4, 13);
  image_copy(0, 0, 0, 0, half, 0, 0, 0, 0, 0, from);
  EXPECT_EQ(take_error(), 5);
  image_copy(0, 0, 0, 0, indexed, 0, 0, 0, 1, 0, from | copy_source_corners_given);
  EXPECT_EQ(take_error(), 5);
  const int32_t text_image = new_image(10, 5, 0, 1);
  image_copy(0, 0, 0, 0, text_image, 0, 0, 0, 0, 0, from);
  EXPECT_EQ(take_error(), 5);
  EXPECT_TRUE(drawn().empty());
}

TEST_F(ImageCopyTest, OverlappingCopyOntoItselfAndSmoothSampling) {
  // Row 0..7 shifted one right onto itself: as if through a temporary.
  use_image(8, 1, 13);
  for (int32_t x = 0; x < 8; ++x) set_pixel(x, 0, x + 1);
  const int32_t self = static_cast<int32_t>(-write_index);
  image_copy(1, 0, 0, 0, self, 0, 0, 0, 6, 0, copy_destination_first_given | from | copy_source_corners_given);
  std::vector<uint32_t> got;
  for (int32_t x = 0; x < 8; ++x) got.push_back(pixel(x, 0));
  EXPECT_EQ(got, (std::vector<uint32_t>{1, 1, 2, 3, 4, 5, 6, 7}));
  // Black and white, two pixels stretched to four: the inner two are mixes.
  const int32_t pair = made(2, 1, 32, [](int32_t x, int32_t) { return x ? 0xFFFFFFFFu : 0xFF000000u; });
  use_image(4, 1, 32);
  write_image->blend_off = 1;
  image_copy(0, 0, 3, 0, pair, 0, 0, 0, 0, 0, both_corners | from | copy_smooth);
  EXPECT_EQ(pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(pixel(3, 0), 0xFFFFFFFFu);
  EXPECT_EQ(pixel(1, 0), 0xFF404040u);
  EXPECT_EQ(pixel(2, 0), 0xFFBFBFBFu);
}

}  // namespace
