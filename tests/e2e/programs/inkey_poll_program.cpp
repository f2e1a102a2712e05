// Test program: polls INKEY$ in a tight loop, as the calculator's final key
// loop does, and prints every key it gets ("key=XX", the character in hex)
// until Escape; then it ends with "done" and the end-of-program prompt.
#include <cstdio>

#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/input/input.h"
#include "runtime/strings/strings.h"

void program_main() {
  const uint32_t mark = program_preamble();
  // Enough empty polls in a row that INKEY$ waits between polls from here on.
  for (int i = 0; i < 300; ++i) {
    inkey();  // 1
    statement_end(1, mark);
  }
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) {
    const str_desc* k = inkey();  // 1: k$ = INKEY$
    const int key = k->len == 1 ? static_cast<unsigned char>(k->chars[0]) : -1;
    if (key >= 0) {
      std::printf("key=%02X\n", key);
      std::fflush(stdout);
    }
    statement_end(1, mark);
    if (key == 27) break;
  }
  std::printf("done\n");
  std::fflush(stdout);
  program_end();
}
