#include "tests/unit/graphics/graphics_fixture.h"

namespace {

using TriangleMapTest = GraphicsTest;

TEST_F(TriangleMapTest, TwoTrianglesTileAQuadOnceAndMapTheSource) {
  // A 4 x 4 source whose pixel (x, y) is 1 + x + 4 y, mapped 1:1 as two triangles
  // sharing the diagonal, with colour 0x40-alpha white blended once per pixel.
  const int32_t src = new_image(4, 4, 13, 1);
  image_record* s = image_at(-src);
  for (int32_t i = 0; i < 16; ++i) s->data[i] = static_cast<uint8_t>(1 + i);
  use_image(8, 8, 13);
  const float a[6] = {0, 0, 4, 0, 4, 4}, b[6] = {0, 0, 4, 4, 0, 4};
  const float da[6] = {2, 2, 6, 2, 6, 6}, db[6] = {2, 2, 6, 6, 2, 6};
  triangle_map(a, src, da, 0, map_source_given);
  triangle_map(b, src, db, 0, map_source_given);
  EXPECT_EQ(take_error(), 0);
  for (int32_t y = 2; y <= 5; ++y)
    for (int32_t x = 2; x <= 5; ++x) EXPECT_EQ(pixel(x, y), static_cast<uint32_t>(1 + (x - 2) + 4 * (y - 2))) << x << "," << y;
  EXPECT_EQ(drawn().size(), 16u);

  // 32-bit: half-transparent white over black, each pixel blended exactly once.
  const int32_t white = new_image(4, 4, 32, 1);
  std::fill_n(reinterpret_cast<uint32_t*>(image_at(-white)->data), 16, 0x80FFFFFFu);
  use_image(8, 8, 32);
  for (int32_t i = 0; i < 64; ++i) reinterpret_cast<uint32_t*>(write_image->data)[i] = 0xFF000000u;
  const float ea[6] = {0, 0, 8, 0, 8, 8}, eb[6] = {0, 0, 8, 8, 0, 8};
  triangle_map(a, white, ea, 0, map_source_given);
  triangle_map(b, white, eb, 0, map_source_given);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(pixel(x, y), graphics_blend(0xFF000000u, 0x80FFFFFFu)) << x << "," << y;
}

TEST_F(TriangleMapTest, ErrorsAndFarVertices) {
  const int32_t src = new_image(4, 4, 32, 1);
  use_image(8, 8, 13);
  const float inside[6] = {0, 0, 4, 0, 0, 4}, outside[6] = {0, 0, 4.5f, 0, 0, 4}, d[6] = {0, 0, 8, 0, 0, 8};
  triangle_map(inside, src, d, 0, map_source_given);  // 32-bit into indexed
  EXPECT_EQ(take_error(), 5);
  const int32_t indexed = new_image(4, 4, 13, 1);
  triangle_map(outside, indexed, d, 0, map_source_given);
  EXPECT_EQ(take_error(), 5);
  // A huge triangle covering the image: every pixel, quickly.
  std::fill_n(image_at(-indexed)->data, 16, 9);
  const float far[6] = {-5e7f, -5e7f, 1e8f, -5e7f, -5e7f, 1e8f};
  triangle_map(inside, indexed, far, 0, map_source_given);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(drawn().size(), 64u);
}

}  // namespace
