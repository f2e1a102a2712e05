// Test program: writes the BIOS shift-flag byte 0x417 whenever it changes,
// until the window is closed.
#include <cstdio>

#include "program/frame/line_events.h"
#include "program/frame/statement_frame.h"
#include "runtime/core/conventional_memory.h"
#include "runtime/platform/clock.h"

void program_main() {
  program_preamble();
  int last = -1;
  for (;;) {
    const int flags = cm_read8(0x417);  // 1
    if (flags != last) {
      std::printf("flags=%02X\n", flags);
      std::fflush(stdout);
      last = flags;
    }
    statement_end(1);
    platform_sleep(10);  // 2
    statement_end(2);
  }
}
