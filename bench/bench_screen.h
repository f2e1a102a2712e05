#pragma once
// The benchmarks' screen: the string engine and screen tables made once, then
// a fresh start-up screen (80x25 text) for each benchmark.
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

inline void bench_start_up_screen() {
  static bool ready = false;
  if (!ready) {
    strings_init();
    screen_tables_init();
    ready = true;
  }
  screen_first_mode();
}
