#pragma once
// The window thread's look at every X key event before freeglut sees it: PC scan
// codes for the keyboard device, Pause and Ctrl+Break (which freeglut does not
// report), and the release of keys whose release went elsewhere.
#include <cstdint>

#include <X11/Xlib.h>

// Hooks key presses and releases on the window thread's display connection.
void key_event_hook_install(Display* display);

// Once per pass of the window loop: releases keys left held (their release read
// as another character, or went to another window while this one had no focus).
void key_event_hook_pass();

// Whether the key with this 9-bit PC scan code is down, as the window thread's key
// events tell (window thread only).
bool physical_key_down(int32_t scan);
