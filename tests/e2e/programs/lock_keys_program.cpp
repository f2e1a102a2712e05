// Test program: writes the BIOS shift-flag byte 0x417 whenever it changes,
// until the window is closed.
#include <cstdio>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/platform/platform.h"

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
