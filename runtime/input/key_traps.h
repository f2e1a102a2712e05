#pragma once
// Key presses against key_trap_table: user-defined keys (make code and shift
// state) first, then the predefined keys by key code.
#include <cstdint>

// Modifier and lock state at the time of a press.
struct key_modifiers {
  bool shift = false, ctrl = false, alt = false, num_lock = false, caps_lock = false;
};

// Make code a trap compares for key code c (0 when the key has none).
int32_t trap_make_code(int32_t c);

// True for the grey keys: cursor block, keypad / and Enter, right Ctrl and Alt.
bool extended_key(int32_t c);

// Tries the traps for the press of c (event value v). On a match the trap's
// pending count rises, event_pending is set, and the result is the entry; else -1.
int32_t key_trap_press(int32_t c, int32_t v, const key_modifiers& held);
