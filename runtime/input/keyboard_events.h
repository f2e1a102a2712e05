#pragma once
// Key presses and releases from every source, as key codes: the held keys, the
// three key buffers, key traps, soft keys and the special combinations (Break,
// Alt+F4, Pause, Alt+Enter).
#include <atomic>
#include <cstdint>

// The only operations that change key state. Window thread, and lock polling on
// the main-loop thread and at start-up; calls are serialised among themselves.
void key_down(int32_t code);
void key_up(int32_t code);

// Set by every key_down; SLEEP clears it when it begins and ends early once set.
extern std::atomic<int32_t> sleep_key_pressed;

// Hooks the window procedure calls. kind 1: close request; kind 2: Pause (100019)
// or Ctrl+Break (100318) down (b > 0) or up; kind 3: raw mouse motion (dx, dy).
// Returns -1 for codes it does not handle, else 0.
int32_t window_event_hook(int32_t kind, int32_t a, int32_t b);
