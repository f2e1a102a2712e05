// Rectangle geometry, the command list's order and deferred release, and bad
// handles and layer arguments from the program. Nothing here needs a window:
// the commands executed draw from images that do not exist, so no OpenGL work is done.
#include <climits>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/display/display.h"
#include "runtime/gpu/detail/drawing.h"
#include "runtime/gpu/gpu.h"
#include "runtime/screen/screen.h"
#include "tests/unit/screen/screen_fixture.h"

namespace {

TEST(RectGeometry, CornersAreOrderedAndBackwardSourcesMirror) {
  const view_mapping one_to_one = compute_view(640, 400, 640, 400, full_screen_off, 0, resize_unscaled);
  const struct {
    float d[4], s[4];
    int32_t tw, th;
    float x1, y1, x2, y2;  // corners of the two triangles
    float u1, v1, u2, v2;  // texture coordinates at (x1, y1) and (x2, y2)
  } cases[] = {
      // The whole of a 40 x 20 image, each source pixel whole.
      {{10, 10, 49, 29}, {0, 0, 39, 19}, 40, 20, 10, 10, 50, 30, 0.01f / 40, 0.01f / 20, 39.99f / 40, 19.99f / 20},
      // Destination given backwards: the same rectangle, the source mirrored with it.
      {{49, 29, 10, 10}, {0, 0, 39, 19}, 40, 20, 10, 10, 50, 30, 39.99f / 40, 19.99f / 20, 0.01f / 40, 0.01f / 20},
      // Source given backwards: mirrored horizontally only.
      {{10, 10, 49, 29}, {39, 0, 0, 19}, 40, 20, 10, 10, 50, 30, 39.99f / 40, 0.01f / 20, 0.01f / 40, 19.99f / 20},
      // Both backwards: not mirrored.
      {{49, 10, 10, 29}, {39, 0, 0, 19}, 40, 20, 10, 10, 50, 30, 0.01f / 40, 0.01f / 20, 39.99f / 40, 19.99f / 20},
      // A 100 x 100 image padded to 128 x 128: the padding is never sampled.
      {{0, 0, 99, 99}, {0, 0, 99, 99}, 128, 128, 0, 0, 100, 100, 0.01f / 128, 0.01f / 128, 99.99f / 128,
       99.99f / 128},
  };
  for (const auto& c : cases) {
    const rect_vertices r =
        rect_geometry(c.d[0], c.d[1], c.d[2], c.d[3], c.s[0], c.s[1], c.s[2], c.s[3], c.tw, c.th, false, one_to_one);
    const float xy[12] = {c.x1, c.y1, c.x2, c.y1, c.x1, c.y2, c.x1, c.y2, c.x2, c.y1, c.x2, c.y2};
    const float uv[12] = {c.u1, c.v1, c.u2, c.v1, c.u1, c.v2, c.u1, c.v2, c.u2, c.v1, c.u2, c.v2};
    for (int i = 0; i < 12; ++i) {
      EXPECT_FLOAT_EQ(r.xy[i], xy[i]) << "vertex value " << i << " of " << c.d[0] << "," << c.d[1];
      EXPECT_FLOAT_EQ(r.uv[i], uv[i]) << "texture value " << i << " of " << c.d[0] << "," << c.d[1];
    }
  }
}

TEST(RectGeometry, WindowTargetsGoThroughTheView) {
  // 320 x 200 doubled into 640 x 400: screen pixel 10 covers window pixels 20 and 21.
  const view_mapping doubled = compute_view(320, 200, 640, 400, full_screen_stretched, 0, resize_unscaled);
  const rect_vertices r = rect_geometry(10, 5, 19, 14, 0, 0, 9, 9, 10, 10, true, doubled);
  EXPECT_FLOAT_EQ(r.xy[0], 20);
  EXPECT_FLOAT_EQ(r.xy[1], 10);
  EXPECT_FLOAT_EQ(r.xy[10], 40);  // right edge: one past the last window pixel
  EXPECT_FLOAT_EQ(r.xy[11], 30);
  // Bars beside a letterboxed picture: 640 x 480 kept in 1024 x 600 starts at window x 112.
  const view_mapping kept = compute_view(640, 480, 1024, 600, full_screen_keep_aspect, 0, resize_unscaled);
  const rect_vertices picture = rect_geometry(0, 0, 639, 479, 0, 0, 0, 0, 1, 1, true, kept);
  EXPECT_FLOAT_EQ(picture.xy[0], 112);
  EXPECT_FLOAT_EQ(picture.xy[10], 912);
  EXPECT_FLOAT_EQ(picture.xy[11], 600);
}

class Commands : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    render_commands_init();
    frame_ring_reset();
  }
  // A hardware image whose pixels wait for an upload that never comes here.
  static int32_t deferred_image() {
    uint32_t pixels[4] = {};
    return make_hardware_img(2, 2, pixels, hw_defer_upload | hw_copy_pixels);
  }
  static int32_t draw(int32_t source, int32_t target) {
    hgc c;
    c.kind = hgc_draw_rect;
    c.source = source;
    c.target = target;
    return issue_command(c);
  }
  // One render of the window thread whose latest order is order, with both hardware layers.
  static void render(uint64_t order) {
    begin_command_passes(order);
    run_layer_commands(layer_hardware_1);
    run_layer_commands(layer_hardware_2);
  }
};

TEST_F(Commands, CommandsKeepIssueOrderAndTheirFrameNumber) {
  const uint64_t order = frame_order.counter.load();
  std::vector<int32_t> issued;
  for (int i = 0; i < 5; ++i) issued.push_back(draw(0x7FFFFF00 + i, i % 2 ? -1 : 0));
  frame_order.counter.fetch_add(1);  // a frame is taken
  issued.push_back(draw(0x7FFFFF10, 0));
  for (size_t i = 0; i < issued.size(); ++i) {
    const hgc* c = command_at(issued[i]);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->order, i < 5 ? order : order + 1);
    EXPECT_EQ(c->next.load(), i + 1 < issued.size() ? issued[i + 1] : 0) << "command " << i;
  }
  render(order);  // this frame's commands are executed, the next frame's wait
  for (size_t i = 0; i < issued.size(); ++i) EXPECT_EQ(command_at(issued[i])->rendered.load(), i < 5 ? 1 : 0);
}

TEST_F(Commands, ReleasedImagesStayDrawableUntilTheirCommandsRan) {
  const int32_t image = deferred_image();
  const int32_t handle = hardware_handle_of(image);
  ASSERT_EQ(hardware_index_of(handle), image);
  const uint64_t frame = frame_order.counter.load();
  draw(image, 0);
  free_image(handle, 1);  // the program lets go: a release command
  EXPECT_EQ(error_report.pending.load(), 0);
  EXPECT_EQ(hardware_index_of(handle), 0) << "the program's handle is gone";
  EXPECT_NE(hardware_img_get(image), nullptr) << "the image is not";
  free_image(handle, 1);
  EXPECT_EQ(take_error(), 258) << "a second release";
  draw(image, 0);  // drawn again in the same frame
  frame_order.counter.fetch_add(1);
  render(frame);
  render(frame + 1);  // the catch-up passes the frame's commands
  EXPECT_NE(hardware_img_get(image), nullptr);
  // The program's next command turns the executed release into a free, tagged
  // with the frame being built, and ahead of that command in the list.
  const uint64_t next = frame_order.counter.load();
  const int32_t after = draw(0x7FFFFF00, 0);
  EXPECT_NE(hardware_img_get(image), nullptr);
  int32_t free_command = 0;
  for (int32_t i = 1; i < after + 2; ++i)
    if (const hgc* c = command_at(i); c && c->kind == hgc_free_image) free_command = i;
  ASSERT_NE(free_command, 0);
  EXPECT_EQ(command_at(free_command)->order, next);
  EXPECT_EQ(command_at(free_command)->next.load(), after);
  render(next);
  EXPECT_EQ(hardware_img_get(image), nullptr) << "freed once every command using it ran";
  // Once a later render has caught up past them, the program's next issue drops
  // the executed commands, all but the last executed one.
  frame_order.counter.fetch_add(1);
  render(next + 1);
  EXPECT_EQ(commands_kept(), 3);
  const int32_t last = draw(0x7FFFFF00, 0);
  EXPECT_EQ(commands_kept(), 2);
  EXPECT_EQ(command_at(after)->next.load(), last);
}

TEST_F(Commands, HardwareHandlesOfAnyValueAreRefusedWhenBad) {
  const int32_t live = hardware_handle_of(deferred_image());
  const int64_t bad[] = {INT64_MIN,      INT64_MIN + 1, -4294967296LL, INT32_MIN,  -16777217,
                         -16777216,      -16777215,     -8388609,      live - 1,   live + 1,
                         -16777216 + 9999999};
  for (const int64_t h : bad) {
    if (h == live) continue;
    free_image(h, 1);
    EXPECT_EQ(take_error(), 258) << "free " << h;
    set_overlay_image(h);
    EXPECT_EQ(take_error(), 258) << "overlay " << h;
    EXPECT_EQ(render_layers.overlay.load(), 0);
    if (is_hardware_handle(h)) {
      EXPECT_EQ(image_width_query(h, 1), 0);
      EXPECT_EQ(take_error(), 258) << "width " << h;
    }
  }
  set_overlay_image(live);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(render_layers.overlay.load(), live);
  EXPECT_EQ(image_width_query(live, 1), 2);
  set_overlay_image(0);
  EXPECT_EQ(render_layers.overlay.load(), 0);
}

TEST_F(Commands, LayerArgumentsOfAnyValueAreRefusedWhenBad) {
  const int32_t values[] = {INT32_MIN, -1, 5, 255, INT32_MAX};
  for (const int32_t v : values)
    for (int slot = 0; slot < 4; ++slot) {
      int32_t a[4] = {0, 0, 0, 0};
      a[slot] = v;
      set_display_order(a[0], a[1], a[2], a[3]);
      EXPECT_EQ(take_error(), 5) << v << " in slot " << slot;
    }
  EXPECT_EQ(render_layers.pass[layer_software].load(), 1) << "unchanged";
  render_layers_reset();
}

}  // namespace
