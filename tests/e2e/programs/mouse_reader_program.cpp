// Test program: prints every mouse-queue entry it takes ("mouse x y buttons mx my",
// position in screen pixels, buttons in hex, raw movement), every mouse device
// event ("dev2 axis0 axis1 wheel2 b1 b2 b3") and keyboard device event
// ("dev1 scan=NNN down|up"), and a heartbeat ("beat=N") every 50 ms.
#include <cstdio>

#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/input/input.h"
#include "runtime/platform/platform.h"

void program_main() {
  program_preamble();
  int64_t last_beat = ms_counter();
  int beat = 0;
  static bool keys_down[512];
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) {
    while (mouse_input()) {  // 1
      uint32_t buttons = 0;
      for (int32_t n = 1; n <= 8; ++n)
        if (mouse_button(n)) buttons |= 1u << (n - 1);
      std::printf("mouse %d %d %X %d %d wheel=%d\n", mouse_x(), mouse_y(), buttons, mouse_movement_x(),
                  mouse_movement_y(), mouse_wheel());
    }
    statement_end(1);
    for (int32_t d; (d = device_input_any()) != 0;) {  // 2
      if (d == 2) {
        std::printf("dev2 %.4f %.4f %.1f %d %d %d\n", device_axis(1), device_axis(2), device_wheel(3),
                    device_button(1) ? 1 : 0, device_button(2) ? 1 : 0, device_button(3) ? 1 : 0);
      } else if (d == 1) {
        for (int32_t scan = 0; scan < 512; ++scan) {
          const bool down = device_button(scan + 1) != 0;
          if (down != keys_down[scan]) std::printf("dev1 scan=%03X %s\n", scan, down ? "down" : "up");
          keys_down[scan] = down;
        }
      }
    }
    statement_end(2);
    if (ms_counter() - last_beat >= 50) {  // 3
      last_beat = ms_counter();
      std::printf("beat=%d\n", ++beat);
    }
    std::fflush(stdout);
    statement_end(3);
    platform_sleep(5);  // 4
    statement_end(4);
  }
}
