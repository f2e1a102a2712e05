// Test program: waits in statements of 10 ms until the window is closed.
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/platform/platform.h"

void program_main() {
  program_preamble();
  for (;;) {
    platform_sleep(10);  // 1: wait
    statement_end(1);
  }
}
