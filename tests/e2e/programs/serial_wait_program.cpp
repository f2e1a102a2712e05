// Test program: writes "before the wait" to <folder>/log.txt with PRINT #,
// opens serial port 5 ("COM5:9600,N,8,1,DS60000", the device from
// QUINTARO_COM5) FOR INPUT, prints "waiting" and reads a field from it, which
// waits up to a minute for the far end. Whatever stops the program meanwhile
// must end that wait.
// Command line: <folder>.
#include <cstdio>
#include <string>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/os/os.h"
#include "tests/e2e/programs/test_steps.h"

void program_main() {
  program_preamble();
  const std::string name = command_line_text() + "/log.txt";
  await_window(1);  // 1-2
  file_open(str_from_text(name.data(), static_cast<uint32_t>(name.size())), 4, 0, 0, 2, 0, 0);  // 3: OPEN ... FOR OUTPUT AS #2
  statement_end(3);
  print_to_file(2, str_from_cstr("before the wait"), 0, 0, 1);  // 4: PRINT #2, "before the wait"
  statement_end(4);
  file_open(str_from_cstr("COM5:9600,N,8,1,DS60000"), 3, 0, 0, 1, 0, 0);  // 5: OPEN ... FOR INPUT AS #1
  std::printf("waiting %d\n", error_report.pending.load());
  std::fflush(stdout);
  statement_end(5);
  str_desc* text = str_new(0, false);
  input_string_from_file(1, text);  // 6: INPUT #1, text$
  statement_end(6);
  std::printf("read\n");
  std::fflush(stdout);
  program_end();  // 7: END
}
