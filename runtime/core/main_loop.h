#pragma once
// The supervisor thread: BIOS ticks, lock keys, frames, and the shutdown.

[[noreturn]] void main_loop();

// Brings the lock-key state of held_keys in line with the keyboard's (start-up
// takes every lock and modifier; the loop only the three toggles).
void take_keyboard_state();
void sync_lock_keys();
