// Test program: one fixed picture drawn with every graphics statement (PSET,
// PRESET, LINE with styles and boxes, CIRCLE with arcs and aspects, PAINT with
// colours and a tile, DRAW with turns and a fill), first on SCREEN 12, then on
// a 32-bit screen with blending colours. Each is shown in manual display and
// its frame written to a file so that the window can be compared with it.
// Steps wait for a file named by their number in the folder given on the
// command line.
#include <numbers>

#include "runtime/frame/frame.h"
#include "runtime/graphics/graphics.h"
#include "runtime/host/host.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"
#include "tests/e2e/programs/frame_file.h"
#include "tests/e2e/programs/test_steps.h"

namespace {

constexpr double pi = std::numbers::pi;
constexpr int32_t first_colour = line_first_given | line_colour_given;
constexpr int32_t both_colours = paint_colour_given | paint_border_given;

// The same picture in the colours of the screen: c[0..6] are the point, line,
// box, circle, fill, border and turtle colours.
void picture(const uint32_t* c, const char* draw_commands, int32_t line) {
  const uint32_t mark = str_temp_mark();
  point_set(10, 10, c[0], point_colour_given);
  point_reset(20, 10, c[1], point_colour_given);
  line_draw(0, 20, 9, 23, c[1], line_kind_line, 0, first_colour);
  line_draw(100, 20, 300, 20, c[1], line_kind_line, 0xF0F0, first_colour | line_style_given);
  line_draw(20, 40, 60, 80, c[2], line_kind_box, 0, first_colour);
  line_draw(70, 40, 110, 80, c[2], line_kind_filled_box, 0, first_colour);
  circle_draw(200, 120, 50, c[3], 0, 0, 0, circle_colour_given);
  circle_draw(350, 120, 40, c[3], -pi / 2, -pi, 0, circle_colour_given | circle_start_given | circle_end_given);
  circle_draw(500, 120, 60, c[3], 0, 0, 0.5, circle_colour_given | circle_aspect_given);
  line_draw(20, 200, 120, 280, c[5], line_kind_box, 0, first_colour);
  paint_fill(70, 240, c[4], c[5], both_colours);
  line_draw(140, 200, 240, 280, c[5], line_kind_box, 0, first_colour);
  if (write_image->bytes_per_pixel == 1) {
    // Four plane bytes a row: colour 1 on even rows, colour 2 on odd ones.
    const char tile[] = "\xFF\x00\x00\x00\x00\xFF\x00\x00";
    paint_tile(190, 240, str_from_text(tile, 8), c[5], nullptr, both_colours);
  }
  turtle_draw(str_from_cstr(draw_commands));
  statement_end(line, mark);
}

}  // namespace

void program_main() {
  program_preamble();
  await_step(1);
  screen_set(12, 0, 0, 0, 0, 1);  // 1
  statement_end(1);
  const uint32_t vga[] = {14, 9, 11, 15, 1, 4, 14};
  picture(vga, "BM300,300C14R40D40L40U40BM+5,5P6,14BM400,300TA45S8U10", 2);
  display_statement();  // 3: manual display from here on
  statement_end(3);
  frame_done(1);

  await_step(2);
  const int32_t handle = new_image(640, 480, 32, 1);  // 4: a 32-bit screen, opaque black
  statement_end(4);
  screen_set(handle, 0, 0, 0, 0, 1);
  line_draw(0, 0, 639, 479, 0xFF000000, line_kind_filled_box, 0, first_colour);
  const uint32_t blended[] = {0xFFFFFF00, 0xFF00FF00, 0x80FFFFFF, 0xFF00FF00, 0x800000FF, 0xFFFF0000, 0};
  // C and P take decimal colours: 4278255615 is &HFF00FFFF, 4294967295 opaque white.
  picture(blended, "BM300,300C4278255615R40D40L40U40BM+5,5P4294967295,4278255615BM400,300TA45S8U10", 5);
  point_set(30, 10, 0x00FF0000, point_colour_given);  // alpha 0: nothing changes
  display_statement();  // 6
  statement_end(6);
  frame_done(2);

  await_step(3);
  program_end();  // 7
}
