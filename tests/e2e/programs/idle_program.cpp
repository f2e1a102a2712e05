// Test program: waits in statements of 10 ms until the window is closed.
#include "program/frame/line_events.h"
#include "program/frame/statement_frame.h"
#include "runtime/platform/clock.h"

void program_main() {
  program_preamble();
  for (;;) {
    platform_sleep(10);  // 1: wait
    statement_end(1);
  }
}
