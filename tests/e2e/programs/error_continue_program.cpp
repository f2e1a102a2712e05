// Test program: once the window exists, raises error 5 on line 7 (and error 6
// in the same statement, which is lost), reports on line 8 that it went on,
// and ends with END on line 9.
#include <cstdio>

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/platform/platform.h"
#include "tests/e2e/programs/test_steps.h"

void program_main() {
  program_preamble();
  std::printf("line 1\n");  // 1: PRINT "line 1"
  std::fflush(stdout);
  statement_end(1);
  await_window(2);  // 2-3: DO WHILE the window is not there: wait
  statement_end(4);  // 4-6: nothing to do
  statement_end(5);
  statement_end(6);
  raise_error(5);  // 7: a statement with an illegal function call, then an overflow
  raise_error(6);
  statement_end(7);
  std::printf("line 8 ran, pending error %d\n", error_report.pending.load());  // 8: PRINT
  std::fflush(stdout);
  statement_end(8);
  program_end();  // 9: END
}
