// Test program: raises the critical error 309 on line 3; line 4 must never run.
#include <cstdio>

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/platform/platform.h"
#include "tests/e2e/programs/test_steps.h"

void program_main() {
  program_preamble();
  await_window(1);  // 1-2: DO WHILE the window is not there: wait
  raise_error(309);  // 3: memory not initialized
  statement_end(3);
  std::printf("line 4 ran\n");  // 4: PRINT
  std::fflush(stdout);
  statement_end(4);
  program_end();  // 5: END
}
