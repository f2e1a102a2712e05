// Test program: draws a picture on SCREEN 12 with a changed palette entry and
// a line of text, then (next step) changes to the folder "elsewhere" inside the
// step folder and chains to chain_receiver_program beside it. A CHAIN that
// returns writes its error. Steps wait for a file named by their number in the
// folder given on the command line. A file "chain_target" in that folder names
// another path to the receiver (a symbolic link to it, say).
#include <cstdio>
#include <string>

#include "runtime/frame/frame.h"
#include "runtime/graphics/graphics.h"
#include "runtime/host/host.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"
#include "tests/e2e/programs/test_steps.h"

void program_main() {
  const uint32_t mark = program_preamble();
  const std::string folder = command_line_text();
  const std::string own_folder = current_directory();
  await_window(1);

  await_step(1);
  screen_set(12, 0, 0, 0, 0, 1);  // 3
  statement_end(3, mark);
  palette_entry_set(1, 0xFF20C040, 0, 0);  // 4: colour 1 becomes green
  statement_end(4, mark);
  line_draw(40, 40, 300, 200, 1, line_kind_filled_box, 0, line_first_given | line_colour_given);  // 5
  statement_end(5, mark);
  circle_draw(450, 250, 120, 14, 0, 0, 0, circle_colour_given);  // 6
  statement_end(6, mark);
  line_draw(0, 479, 639, 0, 12, line_kind_line, 0, line_first_given | line_colour_given);  // 7
  statement_end(7, mark);
  color(11, 1, 0, 3);  // 8
  statement_end(8, mark);
  print_text(str_from_cstr("Handed over"), 0);  // 9: the cursor stays after the text
  statement_end(9, mark);
  done(1);

  await_step(2);
  const std::string elsewhere = folder + "/elsewhere";
  chdir_statement(str_from_cstr(elsewhere.c_str()));  // 10
  statement_end(10, mark);
  std::string next = own_folder + "/chain_receiver_program";
  if (std::FILE* target = std::fopen((folder + "/chain_target").c_str(), "r")) {
    char line[4096];
    if (std::fgets(line, sizeof line, target)) next = line;
    std::fclose(target);
  }
  chain_statement(str_from_cstr(next.c_str()));  // 11
  std::printf("chain error %d\n", error_report.pending.load());
  std::fflush(stdout);
  statement_end(11, mark);
  program_end();
}
