// Test program: on the text screen, "Paste reader" and then one INPUT of a
// whole line after another, each line written to standard output as "line="
// and its bytes in hexadecimal, until the line "end".
#include <cstdio>
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/input/input.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

void program_main() {
  const uint32_t mark = program_preamble();
  static str_desc* line = str_new(0, false);
  print_text(str_from_cstr("Paste reader"), 1);
  statement_end(1, mark);
  for (int32_t n = 1;; ++n) {
    print_text(str_from_cstr("? "), 0);
    input_set_variable(1, input_string | input_line_mode, line);
    std::printf("input %d\n", n);
    std::fflush(stdout);
    input_statement(1, 1);
    if (run_flags.shutdown_started.load()) stop_program_thread();
    std::printf("line=");
    for (int32_t i = 0; i < line->len; ++i) std::printf("%02X", line->chars[i]);
    std::printf("\n");
    std::fflush(stdout);
    statement_end(2, mark);
    if (line->len == 3 && std::memcmp(line->chars, "end", 3) == 0) break;
  }
  program_end();
}
