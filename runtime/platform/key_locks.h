#pragma once
// The keyboard's lock toggles and held modifiers as the X server sees them,
// read through Xkb on a display connection of this layer's own.

struct key_lock_state {
  bool caps_on = false;
  bool num_on = false;
  bool scroll_on = false;
  bool scroll_held = false;
  bool left_shift = false;
  bool right_shift = false;
  bool left_ctrl = false;
  bool right_ctrl = false;
  bool left_alt = false;
  bool right_alt = false;
};

// Fills state; false (and everything off) when there is no X display.
bool read_key_lock_state(key_lock_state* state);
