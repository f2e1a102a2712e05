#include "runtime/input/keyboard_events.h"

#include "runtime/core/runtime_flags.h"
#include "runtime/input/held_keys.h"

// The held-key bookkeeping of a press or release. The key buffers, traps, soft
// keys and special combinations join here with the keyboard handlers.
void key_down(int32_t code) {
  if (code == 0) code = 200013;
  held_keys_add(code, 0);
}

void key_up(int32_t code) {
  if (code == 0) code = 200013;
  held_keys_remove(code);
}

int32_t window_event_hook(int32_t kind, int32_t a, int32_t b) {
  switch (kind) {
    case 1:
      exit_request.fetch_or(1);
      return 0;
    case 2:
      if (a != kc_pause && a != kc_break) return -1;
      if (b > 0)
        key_down(a);
      else
        key_up(a);
      return 0;
    default:
      // Raw mouse motion is taken by the mouse input once it exists.
      return -1;
  }
}
