// Test program: an integer division by zero on line 3; line 4 must never run.
#include <cstdio>

#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/platform/platform.h"
#include "tests/e2e/programs/test_steps.h"

namespace {
volatile int divisor = 0;  // read at run time, so the division is not folded away
int quotient = 0;
}  // namespace

void program_main() {
  program_preamble();
  await_window(1);  // 1-2: DO WHILE the window is not there: wait
  quotient = 10 / divisor;  // 3: q% = 10 \ d%
  statement_end(3);
  std::printf("line 4 ran, quotient %d\n", quotient);  // 4: PRINT
  std::fflush(stdout);
  statement_end(4);
  program_end();  // 5: END
}
