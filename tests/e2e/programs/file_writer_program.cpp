// Test program: writes 10,000 lines to <folder>/lines.txt with PRINT #, says
// "written", then stops the way its command line names: "end" (prints "lines"
// and "written" a zone apart on SCRN:, then END), "close"
// and "signal" (waits for a close request or a signal), "error" (error 5, for
// the dialog's No), "fatal" (a critical error's box), "blocked" (one statement
// that waits in a system call for good: a read of a pipe nobody writes).
// Command line: <folder> <way>.
#include <cstdio>
#include <string>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"
#include "tests/e2e/programs/test_steps.h"

void program_main() {
  program_preamble();
  const std::string args = command_line_text();
  const size_t space = args.rfind(' ');
  const std::string folder = args.substr(0, space), way = args.substr(space + 1);
  await_window(1);  // 1-2

  const std::string name = folder + "/lines.txt";
  file_open(str_from_text(name.data(), static_cast<uint32_t>(name.size())), 4, 0, 0, 1, 0, 0);  // 3: OPEN ... FOR OUTPUT AS #1
  statement_end(3);
  for (int i = 1; i <= 10000; ++i) {  // 4-6: FOR i = 1 TO 10000: PRINT #1, "line"; i: NEXT
    const std::string line = "line " + std::to_string(i);
    print_to_file(1, str_from_text(line.data(), static_cast<uint32_t>(line.size())), 0, 0, 1);
    statement_end(5);
  }
  std::printf("written\n");  // 7: PRINT "written"
  std::fflush(stdout);
  statement_end(7);

  if (way == "end") {
    file_open(str_from_cstr("scrn:"), 4, 0, 0, 2, 0, 0);  // 8: OPEN "scrn:" FOR OUTPUT AS #2
    print_to_file(2, str_from_cstr("lines"), 0, 1, 0);     // 9: PRINT #2, "lines", "written"
    print_to_file(2, str_from_cstr("written"), 0, 0, 1);
    statement_end(9);
    std::printf("on the screen\n");
    std::fflush(stdout);
    program_end();  // 10: END
  }
  if (way == "error") raise_error(5);
  if (way == "fatal") raise_error(309);
  if (way == "blocked") {
    int ends[2];
    if (pipe(ends) == 0) {
      std::printf("blocking\n");
      std::fflush(stdout);
      char byte;
      while (read(ends[0], &byte, 1) != 0) {
      }
    }
  }
  statement_end(8);
  for (;;) {  // 9-10: DO: SLEEP: LOOP
    platform_sleep(10);
    statement_end(9);
  }
}
