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

// The window's close button (or the window manager's close message): a close
// request, which the program may take over.
void window_close_request();

// Pause (kc_pause) or Ctrl+Break (kc_break) going down or up, as the window
// thread's look at the X key events sees them (freeglut does not report them).
// Other codes are ignored.
void break_key_event(int32_t code, bool down);
