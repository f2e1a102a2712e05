// Drawing demo: a picture on SCREEN 12 (lines, circles, PAINT and DRAW), then,
// after a key, a 32-bit screen with translucent boxes and a small drawing
// made off screen and copied at eight times its size, plain, mirrored and
// smoothed. A key ends it.
#include <quintaro.h>

#include <cmath>

#include "example_statements.h"

namespace {

using example::print_line;
constexpr int32_t from_to = line_first_given | line_colour_given;

// The 16 x 16 face the image copy enlarges: yellow, a red corner, two eyes, a mouth.
int32_t draw_face() {
  const int32_t face = new_image(16, 16, 32, 1);
  set_dest(face);
  line_draw(0, 0, 15, 15, 0xFFFFFF00, line_kind_filled_box, 0, from_to);
  line_draw(0, 0, 1, 1, 0xFFFF0000, line_kind_filled_box, 0, from_to);
  line_draw(4, 5, 5, 6, 0xFF000000, line_kind_filled_box, 0, from_to);
  line_draw(10, 5, 11, 6, 0xFF000000, line_kind_filled_box, 0, from_to);
  line_draw(4, 11, 11, 11, 0xFF000000, line_kind_line, 0, from_to);
  return face;
}

}  // namespace

void program_main() {
  const uint32_t mark = program_preamble();

  screen_set(12, 0, 0, 0, 0, 1);  // 1: SCREEN 12
  statement_end(1, mark);
  print_line("Quintaro drawing demo: SCREEN 12", mark, 2);
  for (int32_t i = 0; i < 48; ++i) {  // 3: a sunburst of lines
    const double angle = i * 3.14159265358979 / 24;
    line_draw(160, 190, static_cast<float>(160 + 120 * std::cos(angle)), static_cast<float>(190 + 120 * std::sin(angle)),
              1 + i % 15, line_kind_line, 0, from_to);
    statement_end(3, mark);
  }
  for (int32_t r = 20; r <= 100; r += 20) {  // 4: rings
    circle_draw(470, 170, r, 9 + r / 20, 0, 0, 0, circle_colour_given);
    statement_end(4, mark);
  }
  circle_draw(470, 380, 60, 15, 0, 0, 0, circle_colour_given);  // 5: CIRCLE, then PAINT it red
  statement_end(5, mark);
  paint_fill(470, 380, 4, 15, paint_colour_given | paint_border_given);
  statement_end(6, mark);
  turtle_draw(str_from_cstr("BM40,460C14R100U70H50G50D70BM+50,-20P6,14"));  // 7: DRAW a house
  statement_end(7, mark);
  locate(30, 1, 0, 0, 0, 3);
  print_line("Press a key for the 32-bit screen.", mark, 8, true);
  example::wait_key(mark, 9);

  const int32_t screen32 = new_image(640, 480, 32, 1);  // 10: a 32-bit screen
  screen_set(screen32, 0, 0, 0, 0, 1);
  statement_end(10, mark);
  for (int32_t y = 0; y < 480; ++y) {  // 11: a blue sky growing darker
    line_draw(0, static_cast<float>(y), 639, static_cast<float>(y), 0xFF000000u | (200 - y * 200 / 480), line_kind_line, 0,
              from_to);
    statement_end(11, mark);
  }
  line_draw(80, 250, 280, 400, 0x80FF0000, line_kind_filled_box, 0, from_to);  // 12: translucent boxes
  line_draw(180, 300, 380, 450, 0x8000FF00, line_kind_filled_box, 0, from_to);
  statement_end(12, mark);
  circle_draw(520, 330, 80, 0xFFFFFFFF, 0, 0, 0, circle_colour_given);  // 13: a white ring
  statement_end(13, mark);
  turtle_draw(str_from_cstr("BM500,380C4294967040U100R50F15G15L50"));  // 14: DRAW a flag in a 32-bit colour
  statement_end(14, mark);

  const int32_t face = draw_face();  // 15: the drawing off screen
  set_dest(screen32);
  statement_end(15, mark);
  image_copy(40, 40, 167, 167, face, 0, 0, 0, 0, 0,  // 16: eight times larger
             copy_destination_first_given | copy_destination_second_given | copy_source_given);
  statement_end(16, mark);
  image_copy(427, 40, 300, 167, face, 0, 0, 0, 0, 0,  // 17: mirrored: the corners go right to left
             copy_destination_first_given | copy_destination_second_given | copy_source_given);
  statement_end(17, mark);
  image_copy(460, 40, 587, 167, face, 0, 0, 0, 0, 0,  // 18: smoothed
             copy_destination_first_given | copy_destination_second_given | copy_source_given | copy_smooth);
  statement_end(18, mark);
  free_image(face, 1);
  statement_end(19, mark);
  locate(1, 1, 0, 0, 0, 3);
  print_line("32-bit screen: a 16x16 face copied 8 times larger", mark, 20);
  locate(30, 1, 0, 0, 0, 3);
  print_line("Press a key to end.", mark, 21, true);
  example::wait_key(mark, 22);
  program_end();
}
