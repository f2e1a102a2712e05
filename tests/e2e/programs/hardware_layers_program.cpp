// Test program: a software screen of 320 x 200 built by hand into the frame
// ring, with hardware images drawn over it by render commands. Steps wait for a
// file named by their number in the folder given on the command line.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/gpu/gpu.h"
#include "runtime/graphics/graphics.h"
#include "runtime/host/host.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"
#include "tests/e2e/programs/test_steps.h"

namespace {

// Publishes a 320 x 200 picture of one colour as the newest frame.
void publish_frame(uint32_t colour) {
  software_frame* frame = nullptr;
  while (!frame) {
    for (auto& f : frame_ring.frames) {
      int32_t expected = sf_free;
      if (f.state.compare_exchange_strong(expected, sf_filling)) {
        frame = &f;
        break;
      }
    }
    if (!frame) platform_sleep(1);
  }
  const uint64_t order = frame_order.counter.fetch_add(1);
  frame->order.store(order);
  if (frame->capacity < 320 * 200 * 4) {
    std::free(frame->pixels);
    frame->pixels = static_cast<uint32_t*>(std::malloc(320 * 200 * 4));
    frame->capacity = 320 * 200 * 4;
  }
  frame->width = 320;
  frame->height = 200;
  for (int i = 0; i < 320 * 200; ++i) frame->pixels[i] = colour;
  frame->state.store(sf_ready);
  frame_ring.latest_order.store(order);
  wake_signal();  // as the frame builder does: the window thread sleeps until then
}

int32_t image(int w, int h, uint32_t left, uint32_t right) {
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = x < w / 2 ? left : right;
  return make_hardware_img(w, h, pixels.data(), hw_defer_upload | hw_copy_pixels);
}

void rect(int32_t source, int32_t target, float x1, float y1, float x2, float y2, float sx1, float sy1, float sx2,
          float sy2) {
  hgc c;
  c.kind = hgc_draw_rect;
  c.source = source;
  c.target = target;
  c.dest[0] = x1;
  c.dest[1] = y1;
  c.dest[2] = x2;
  c.dest[3] = y2;
  c.src[0] = sx1;
  c.src[1] = sy1;
  c.src[2] = sx2;
  c.src[3] = sy2;
  c.blend = 1;
  issue_command(c);
}

constexpr uint32_t blue = 0xFF0000FF, red = 0xFFFF0000, green = 0xFF00FF00, yellow = 0xFFFFFF00;
}  // namespace

void program_main() {
  program_preamble();
  display_link.automatic.store(0);  // manual display: the frames below are the only ones built
  const int32_t square = image(40, 40, red, red);           // 1
  const int32_t halves = image(40, 20, red, green);         // 2
  const int32_t canvas = image(20, 20, blue, blue);         // 3: drawn into, then shown
  statement_end(3);
  rect(square, 0, 10, 10, 49, 49, 0, 0, 39, 39);            // 4: first layer
  rect(halves, 0, 100, 10, 139, 29, 39, 0, 0, 19);          // 5: mirrored
  rect(square, canvas, 0, 0, 9, 19, 0, 0, 39, 39);          // 6: into an image: left half red
  rect(canvas, -1, 200, 10, 219, 29, 0, 0, 19, 19);         // 7: second layer
  publish_frame(blue);
  statement_end(7);
  done(1);

  await_step(2);
  set_display_order(2, 1, 0, 0);  // 8: the first layer under an opaque screen
  rect(square, 0, 10, 10, 49, 49, 0, 0, 39, 39);
  publish_frame(yellow);
  statement_end(8);
  done(2);

  await_step(3);
  set_display_order(1, 1, 0, 0);  // 9: a repeated layer is refused
  std::printf("pending %d\n", error_report.pending.exchange(0));
  run_flags.event_pending.store(0);
  done(3);

  await_step(4);
  hgc release;  // 10: the square is released; it is freed once no command uses it
  release.kind = hgc_release_image;
  release.source = square;
  issue_command(release);
  rect(square, 0, 10, 10, 49, 49, 0, 0, 39, 39);  // still drawable in the same frame
  publish_frame(blue);
  statement_end(10);
  // 11: more frames until it is freed (a generous cap: the window thread may be slow to draw them)
  for (const int64_t start = ms_counter(); hardware_img_get(square) && ms_counter() - start < 30000;) {
    platform_sleep(40);
    rect(halves, 0, 100, 10, 139, 29, 39, 0, 0, 19);
    publish_frame(blue);
  }
  std::printf("freed %d\n", hardware_img_get(square) == nullptr ? 1 : 0);
  statement_end(11);
  done(4);

  await_step(5);
  set_display_order(1, 2, 3, 0);  // 12: the first layer over the screen again
  rect(halves, 0, 100, 10, 139, 29, 39, 0, 0, 19);
  publish_frame(blue);
  statement_end(12);
  done(5);

  await_step(6);
  // 13: a frame step that finds the screen unchanged: no new picture, no commands
  // The builder wakes the window thread on the same condition.
  frame_ring.latest_order.store(frame_order.counter.fetch_add(1));
  if (frame_order.newest_command.load() >= frame_ring.rendered_order.load()) wake_signal();
  statement_end(13);
  done(6);

  await_step(7);
  // 14: the statements: a 4 x 4 picture, left half red and right half green,
  // made a hardware image and drawn by image copy and triangle mapping.
  const int32_t picture = new_image(4, 4, 32, 1);
  set_dest(picture);
  line_draw(0, 0, 1, 3, red, line_kind_filled_box, 0xFFFF, line_first_given | line_colour_given);
  line_draw(2, 0, 3, 3, green, line_kind_filled_box, 0xFFFF, line_first_given | line_colour_given);
  set_dest(0);
  const int32_t hardware = copy_image(picture, 33, 1);
  image_copy(10, 100, 49, 139, hardware, 1, 0, 0, 0, 0,
             copy_destination_first_given | copy_destination_second_given | copy_source_given |
                 copy_destination_given | copy_destination_layer);            // x10 on the first layer
  image_copy(99, 100, 60, 139, hardware, 2, 0, 0, 0, 0,
             copy_destination_first_given | copy_destination_second_given | copy_source_given |
                 copy_destination_given | copy_destination_layer);            // mirrored, second layer
  const float corners[6] = {0, 0, 4, 0, 0, 4};
  const float onto[6] = {120, 100, 160, 100, 120, 140};
  triangle_map(corners, hardware, onto, 0, map_source_given);                 // no destination: first layer
  image_copy(0, 0, 0, 0, picture, 1, 0, 0, 0, 0, copy_source_given | copy_destination_given | copy_destination_layer);
  std::printf("software onto a layer %d\n", error_report.pending.exchange(0));
  run_flags.event_pending.store(0);
  publish_frame(blue);
  statement_end(14);
  done(7);

  await_step(8);
  // 15: depth: a near green triangle drawn first, a far red one of the same
  // size on screen after it; the depth test keeps the green one in front.
  depth_clear(0, 0, 0);
  const float green_part[6] = {3, 0, 4, 0, 3, 1}, red_part[6] = {0, 0, 1, 0, 0, 1};
  const float near[9] = {-0.3f, -0.3f, -1, 0.3f, -0.3f, -1, 0, 0.3f, -1};
  const float far[9] = {-0.6f, -0.6f, -2, 0.6f, -0.6f, -2, 0, 0.6f, -2};
  triangle_map_depth(green_part, hardware, near, 1, map_source_given | map_destination_given | map_destination_layer,
                     1, 0);
  triangle_map_depth(red_part, hardware, far, 1, map_source_given | map_destination_given | map_destination_layer,
                     1, 0);
  publish_frame(blue);
  statement_end(15);
  done(8);

  await_step(9);
  program_end();  // 16
}
