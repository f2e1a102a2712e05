// The second half of the two-part program: started by chain_start's CHAIN, it
// finds the screen as chain_start left it (mode, palette, picture and cursor),
// builds a house under the sky and writes its own line below the first ones.
#include <quintaro.h>

#include "example_statements.h"

void program_main() {
  const uint32_t mark = program_preamble();  // takes over the chained screen
  using example::print_line;

  if (write_image->mode != 12) {  // 1: started on its own: nothing to carry on with
    print_line("Start chain_start: it chains to this program.", mark, 1);
    program_end();
  }
  turtle_draw(str_from_cstr("BM120,420C4R140U80H70G70D80BM+70,-20P4,4"));  // 2: a red house
  statement_end(2, mark);
  turtle_draw(str_from_cstr("BM170,420C14U40R30D40L30BM+5,-5P14,14"));  // 3: a lit door
  statement_end(3, mark);
  print_line("Part two: chain_finish built the house under the same sky.", mark, 4);
  print_line("Press a key to end.", mark, 5);
  example::wait_key(mark, 6);
  program_end();
}
