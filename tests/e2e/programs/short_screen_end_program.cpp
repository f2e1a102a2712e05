// Test program: makes an 8-pixel-high 32-bit image the screen (no whole text
// row fits on it), says "ready" and ends; END must still end on a key.
#include <cstdio>

#include "runtime/host/host.h"
#include "runtime/screen/screen.h"

void program_main() {
  program_preamble();
  const int32_t strip = new_image(64, 8, 32, 1);
  screen_set(strip, 0, 0, 0, 0, 1);
  std::printf("ready %d\n", strip);
  std::fflush(stdout);
  program_end();
}
