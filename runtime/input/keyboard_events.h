#pragma once
// Key presses and releases from every source, as key codes.
#include <cstdint>

void key_down(int32_t code);
void key_up(int32_t code);

// Hooks the window procedure calls. kind 1: close request; kind 2: Pause (100019)
// or Ctrl+Break (100318) down (b > 0) or up; kind 3: raw mouse motion (dx, dy).
// Returns -1 for codes it does not handle, else 0.
int32_t window_event_hook(int32_t kind, int32_t a, int32_t b);
