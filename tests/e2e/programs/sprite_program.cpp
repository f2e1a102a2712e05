// Test program: a sprite taken with GET and moved with PUT XOR, then a copy of
// it twice as large and mirrored left to right, first on SCREEN 13, then on a
// 32-bit screen. Each is shown in manual display and its frame written to a
// file so that the window can be compared with it. Steps wait for a file
// named by their number in the folder given on the command line.
#include <vector>

#include "runtime/frame/frame.h"
#include "runtime/graphics/graphics.h"
#include "runtime/host/host.h"
#include "runtime/screen/screen.h"
#include "tests/e2e/programs/frame_file.h"
#include "tests/e2e/programs/test_steps.h"

namespace {

constexpr int32_t first_colour = line_first_given | line_colour_given;

// On the write image (page or handle source): background, a 10 x 8 sprite at
// (5,5) with a dot at (9,8), GET, erased by PUT XOR, moved by XOR to (50,50)
// and away, put at (60,50), then copied to (200,100)-(181,115).
void sprite(int64_t source, uint32_t background, uint32_t body, uint32_t dot, int32_t final_action, int32_t line) {
  line_draw(0, 0, 319, 199, background, line_kind_filled_box, 0, first_colour);
  line_draw(5, 5, 14, 12, body, line_kind_filled_box, 0, first_colour);
  point_set(9, 8, dot, point_colour_given);
  std::vector<uint8_t> array(static_cast<size_t>(area_bytes(10, 8)));
  area_get(5, 5, 14, 12, array.data(), static_cast<int64_t>(array.size()), 0);
  const int64_t size = static_cast<int64_t>(array.size());
  area_put(5, 5, array.data(), size, put_xor, 0);
  area_put(50, 50, array.data(), size, put_xor, 0);
  area_put(50, 50, array.data(), size, put_xor, 0);
  area_put(60, 50, array.data(), size, final_action, 0);
  image_copy(200, 100, 181, 115, source, 0, 60, 50, 69, 57,
             copy_destination_first_given | copy_destination_second_given | copy_source_given |
                 copy_source_corners_given);
  statement_end(line);
}

}  // namespace

void program_main() {
  program_preamble();
  await_step(1);
  screen_set(13, 0, 0, 0, 0, 1);  // 1
  statement_end(1);
  sprite(0, 1, 4, 14, put_xor, 2);
  display_statement();  // 3: manual display from here on
  statement_end(3);
  frame_done(1);

  await_step(2);
  const int32_t handle = new_image(320, 200, 32, 1);  // 4
  statement_end(4);
  screen_set(handle, 0, 0, 0, 0, 1);
  sprite(handle, 0xFF000040, 0xFFFF0000, 0xFF00FF00, put_pset, 5);
  display_statement();  // 6
  statement_end(6);
  frame_done(2);

  await_step(3);
  program_end();  // 7
}
