// The words the program thread and the frame builder share about the shown
// image, and the freeze handshake that makes the builder stand still while the
// program thread changes what it reads.
#include "runtime/image/image.h"
#include "runtime/platform/platform.h"

display_link_state display_link;

void display_link_reset() {
  display_link.ready.store(0);
  display_link.automatic.store(1);
  display_link.freeze.store(freeze_off);
  display_link.prev_valid.store(0);
  display_link.blink_enabled.store(1);
  display_link.shown_index.store(0);
  display_link.shown_image.store(nullptr);
}

bool display_runs_alone() { return display_link.automatic.load() != 0 && display_link.ready.load() != 0; }

void display_freeze_wait() {
  if (!display_runs_alone()) return;
  display_freeze_state expected = freeze_off;
  display_link.freeze.compare_exchange_strong(expected, freeze_asked);
  // The frame builder answers by standing still and waking this thread. Once
  // shutdown has begun it may never build again, and the process is about to
  // end anyway: nothing wakes the wait then, so it looks again every so often.
  constexpr int32_t shutdown_look_ms = 20;
  for (;;) {
    const uint32_t seen = display_link.freeze_answers.load(std::memory_order_acquire);
    if (display_link.freeze.load() == freeze_standing || run_flags.shutdown_started.load()) return;
    wait_on_word(display_link.freeze_answers, seen, shutdown_look_ms);
  }
}

void display_unfreeze() {
  if (display_runs_alone()) display_link.freeze.store(freeze_off);
}
