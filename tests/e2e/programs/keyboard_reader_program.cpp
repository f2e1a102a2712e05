// Test program: prints every key it takes from the BIOS keyboard buffer
// ("key=SSCC", scan and character), every scan code the keyboard device's events
// change ("scan=NNN down|up"), the number of held keys when it changes ("held=N codes...") and a
// heartbeat ("beat=N") every 50 ms, each from its own statement.
#include <cstdio>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/input/input.h"
#include "runtime/platform/platform.h"

namespace {
// The program side's read of the BIOS buffer, as INKEY$ does it.
int bios_take() {
  const uint16_t head = cm_read16(0x41A);
  if (head == cm_read16(0x41C)) return -1;
  const int key = (cm_read8(0x401 + head) << 8) | cm_read8(0x400 + head);
  cm_write16(0x41A, head + 2 >= 0x3E ? 0x1E : head + 2);
  return key;
}
}  // namespace

void program_main() {
  program_preamble();
  int64_t last_beat = ms_counter();
  int beat = 0;
  size_t held = 0;
  static bool keys_down[512];
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) {
    for (int key; (key = bios_take()) != -1;) std::printf("key=%04X\n", key);  // 1
    statement_end(1);
    while (device_input(1)) {  // 2: each event of the keyboard device changes one button
      for (int32_t scan = 0; scan < 512; ++scan) {
        const bool down = device_button(scan + 1) != 0;
        if (down != keys_down[scan]) std::printf("scan=%03X %s\n", scan, down ? "down" : "up");
        keys_down[scan] = down;
      }
    }
    statement_end(2);
    if (held_keys_snapshot().size() != held) {  // 3
      const std::vector<int32_t> codes = held_keys_snapshot();
      held = codes.size();
      std::printf("held=%zu", held);
      for (int32_t code : codes) std::printf(" %d", code);
      std::printf("\n");
    }
    statement_end(3);
    if (ms_counter() - last_beat >= 50) {  // 4
      last_beat = ms_counter();
      std::printf("beat=%d\n", ++beat);
    }
    std::fflush(stdout);
    statement_end(4);
    platform_sleep(5);  // 5
    statement_end(5);
  }
}
