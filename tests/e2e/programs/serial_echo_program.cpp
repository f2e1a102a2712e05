// Test program: opens serial port 5 ("COM5:9600,N,8,2,DS5000", the device
// from QUINTARO_COM5) for BINARY, reads 5 bytes, sends back "got " and them,
// prints "echoed" and ends with END.
#include <cstdio>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/os/os.h"
#include "tests/e2e/programs/test_steps.h"

void program_main() {
  program_preamble();
  await_window(1);  // 1-2
  file_open(str_from_cstr("COM5:9600,N,8,2,DS5000"), 2, 0, 0, 1, 0, 0);  // 3: OPEN ... FOR BINARY AS #1
  std::printf("opened %d\n", error_report.pending.load());
  std::fflush(stdout);
  statement_end(3);
  str_desc* text = str_new(5, false);  // 4: text$ = SPACE$(5)
  statement_end(4);
  get_string(1, 0, 0, text);  // 5: GET #1, , text$
  statement_end(5);
  put_string(1, 0, 0, str_concat(str_from_cstr("got "), text));  // 6: PUT #1, , "got " + text$
  statement_end(6);
  std::printf("echoed\n");  // 7: PRINT "echoed"
  std::fflush(stdout);
  statement_end(7);
  program_end();  // 8: END
}
