// Image copy and triangle mapping with hardware images: the render command
// each issues, and the combinations that are refused. Nothing is drawn here.
#include "runtime/gpu/gpu.h"
#include "tests/unit/graphics/graphics_fixture.h"

namespace {

class HardwareCopyTest : public GraphicsTest {
 public:
  void SetUp() override {
    GraphicsTest::SetUp();
    render_commands_init();
    uint32_t pixels[16] = {};
    index = make_hardware_img(4, 4, pixels, hw_defer_upload | hw_copy_pixels);
    handle = hardware_handle_of(index);
  }
  // The command issued last (the list's tail), or null.
  static const hgc* newest() {
    const hgc* tail = nullptr;
    for (int32_t i = 1; i < 4096; ++i)
      if (const hgc* c = command_at(i); c && c->next.load() == 0) tail = c;
    return tail;
  }
  int32_t index = 0, handle = 0;
  static constexpr int32_t corners = copy_destination_first_given | copy_destination_second_given;
  static constexpr int32_t both = copy_source_given | copy_destination_given;
};

TEST_F(HardwareCopyTest, CopiesAndMapsBecomeRenderCommands) {
  // One destination corner: the source's size there, on the first layer.
  image_copy(5, 6, 0, 0, handle, 1, 0, 0, 0, 0, copy_destination_first_given | both | copy_destination_layer);
  ASSERT_EQ(take_error(), 0);
  const hgc* c = newest();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->kind, hgc_draw_rect);
  EXPECT_EQ(c->target, 0);
  EXPECT_EQ(std::vector<float>(c->dest, c->dest + 4), (std::vector<float>{5, 6, 8, 9}));
  EXPECT_EQ(std::vector<float>(c->src, c->src + 4), (std::vector<float>{0, 0, 3, 3}));
  EXPECT_EQ(c->blend, 1);
  // Into itself, mirrored by backward corners, smooth, from a part of the source.
  image_copy(9, 0, 0, 9, handle, handle, 1, 2, 3, 3, corners | both | copy_source_corners_given | copy_smooth);
  ASSERT_EQ(take_error(), 0);
  c = newest();
  EXPECT_EQ(c->target, index);
  EXPECT_EQ(std::vector<float>(c->dest, c->dest + 4), (std::vector<float>{9, 0, 0, 9}));
  EXPECT_EQ(std::vector<float>(c->src, c->src + 4), (std::vector<float>{1, 2, 3, 3}));
  EXPECT_EQ(c->smooth, 1);
  // Triangles: source corners become texel centres; depth keeps z, modes and culling.
  const float from[6] = {0, 0, 4, 0, 0, 4};
  const float flat[6] = {10, 20, 30, 20, 10, 40};
  triangle_map(from, handle, flat, 2, map_source_given | map_destination_given | map_destination_layer);
  ASSERT_EQ(take_error(), 0);
  c = newest();
  EXPECT_EQ(c->kind, hgc_draw_triangle);
  EXPECT_EQ(c->target, -1);
  EXPECT_EQ(std::vector<float>(c->src, c->src + 6), (std::vector<float>{-0.5f, -0.5f, 3.5f, -0.5f, -0.5f, 3.5f}));
  EXPECT_EQ(std::vector<float>(c->dest, c->dest + 9), (std::vector<float>{10, 20, 0, 30, 20, 0, 10, 40, 0}));
  const float deep[9] = {1, 2, -3, 4, 5, -6, 7, 8, -9};
  triangle_map_depth(from, handle, deep, handle, map_source_given | map_destination_given, 1, 2);
  ASSERT_EQ(take_error(), 0);
  c = newest();
  EXPECT_EQ(c->kind, hgc_draw_triangle_depth);
  EXPECT_EQ(std::vector<float>(c->dest, c->dest + 9), std::vector<float>(deep, deep + 9));
  EXPECT_EQ(c->depth_mode, 1);
  EXPECT_EQ(c->cull, 2);
  depth_clear(handle, 1, 0);
  ASSERT_EQ(take_error(), 0);
  EXPECT_EQ(newest()->kind, hgc_clear_depth);
  EXPECT_EQ(newest()->target, index);
}

TEST_F(HardwareCopyTest, MixedOrBadTargetsAreRefused) {
  const int32_t software = new_image(4, 4, 32, 1);
  const float from[6] = {0, 0, 4, 0, 0, 4}, onto[9] = {};
  const struct {
    const char* what;
    void (*run)(int32_t handle, int32_t software, const float* from, const float* onto);
    int32_t error;
  } cases[] = {
      {"software into a hardware image",
       [](int32_t h, int32_t s, const float*, const float*) { image_copy(0, 0, 0, 0, s, h, 0, 0, 0, 0, both); }, 5},
      {"software onto a layer",
       [](int32_t, int32_t s, const float*, const float*) {
         image_copy(0, 0, 0, 0, s, 1, 0, 0, 0, 0, both | copy_destination_layer);
       }, 5},
      {"hardware into a software image",
       [](int32_t h, int32_t s, const float*, const float*) { image_copy(0, 0, 0, 0, h, s, 0, 0, 0, 0, both); }, 5},
      {"layer 3",
       [](int32_t h, int32_t, const float*, const float*) {
         image_copy(0, 0, 0, 0, h, 3, 0, 0, 0, 0, both | copy_destination_layer);
       }, 5},
      {"source corner outside",
       [](int32_t h, int32_t, const float*, const float*) {
         image_copy(0, 0, 0, 0, h, h, 0, 0, 4, 3, both | copy_source_corners_given);
       }, 5},
      {"triangle point outside",
       [](int32_t h, int32_t, const float*, const float* o) {
         const float far[6] = {0, 0, 4.5f, 0, 0, 4};
         triangle_map(far, h, o, h, map_source_given | map_destination_given);
       }, 5},
      {"depth mode 3",
       [](int32_t h, int32_t, const float* f, const float* o) {
         triangle_map_depth(f, h, o, h, map_source_given | map_destination_given, 3, 0);
       }, 5},
      {"depth into a software image",
       [](int32_t h, int32_t s, const float* f, const float* o) {
         triangle_map_depth(f, h, o, s, map_source_given | map_destination_given, 1, 0);
       }, 5},
      {"a hardware handle that names nothing",
       [](int32_t h, int32_t, const float*, const float*) { image_copy(0, 0, 0, 0, h + 1, h, 0, 0, 0, 0, both); },
       err_invalid_handle},
  };
  for (const auto& c : cases) {
    const int32_t before = commands_kept();
    c.run(handle, software, from, onto);
    EXPECT_EQ(take_error(), c.error) << c.what;
    EXPECT_EQ(commands_kept(), before) << c.what;
  }
}

}  // namespace
