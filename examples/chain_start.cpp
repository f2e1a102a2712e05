// The first half of a program in two parts: it paints a night sky on
// SCREEN 12 with a palette entry of its own, writes a line, and on a key
// CHAINs to chain_finish beside it, which carries on with the same screen.
#include <quintaro.h>

#include "example_statements.h"

void program_main() {
  const uint32_t mark = program_preamble();
  using example::print_line;
  constexpr int32_t from_to = line_first_given | line_colour_given;

  screen_set(12, 0, 0, 0, 0, 1);  // 1: SCREEN 12
  statement_end(1, mark);
  palette_entry_set(1, 0xFF101848, 0, 0);  // 2: PALETTE 1 becomes a night blue
  statement_end(2, mark);
  line_draw(0, 0, 639, 359, 1, line_kind_filled_box, 0, from_to);  // 3: the sky
  line_draw(0, 360, 639, 479, 2, line_kind_filled_box, 0, from_to);  // 4: the field
  statement_end(4, mark);
  circle_draw(520, 90, 40, 14, 0, 0, 0, circle_colour_given);  // 5: the moon
  paint_fill(520, 90, 14, 14, paint_colour_given | paint_border_given);
  statement_end(5, mark);
  for (int32_t i = 0; i < 40; ++i) {  // 6: stars
    point_set(static_cast<float>((i * 167) % 640), static_cast<float>((i * 97) % 340), 15, point_colour_given);
    statement_end(6, mark);
  }
  color(15, 0, 0, 1);
  print_line("Part one: the sky was drawn by chain_start.", mark, 7);
  print_line("Press a key to hand the screen to chain_finish.", mark, 8);
  example::wait_key(mark, 9);
  chain_statement(str_from_cstr("chain_finish"));  // 10: CHAIN "chain_finish"
  statement_end(10, mark);  // only after an error, which the dialog shows
  program_end();
}
