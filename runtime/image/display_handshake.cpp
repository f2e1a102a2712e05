// The words the program thread and the frame builder share about the shown
// image, and the freeze handshake that makes the builder stand still while the
// program thread changes what it reads.
#include <thread>

#include "runtime/image/image.h"

std::atomic<int32_t> display_ready{0};
std::atomic<int32_t> auto_display{1};
std::atomic<display_freeze_state> display_freeze{freeze_off};
std::atomic<int32_t> prev_valid{0};
std::atomic<int32_t> blink_enabled{1};

bool display_runs_alone() { return auto_display.load() != 0 && display_ready.load() != 0; }

void display_freeze_wait() {
  if (!display_runs_alone()) return;
  display_freeze_state expected = freeze_off;
  display_freeze.compare_exchange_strong(expected, freeze_asked);
  // The frame builder answers with 2; once shutdown has begun it may never
  // build again, and the process is about to end anyway.
  while (display_freeze.load() != freeze_standing && !run_flags.shutdown_started.load()) std::this_thread::yield();
}

void display_unfreeze() {
  if (display_runs_alone()) display_freeze.store(freeze_off);
}
