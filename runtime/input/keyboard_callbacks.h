#pragma once
// The freeglut keyboard and special-key callbacks, and their mappings to key codes.
#include <cstdint>

// Registered at start-up (window thread).
void keyboard_callback(unsigned char c, int x, int y);
void keyboard_up_callback(unsigned char c, int x, int y);
void special_callback(int key, int x, int y);
void special_up_callback(int key, int x, int y);

// Whether the key with a 9-bit PC scan code is physically down (window thread);
// null when not known.
using scan_down_query = bool (*)(int32_t scan);

// Key code of a character from the keyboard callback, given the freeglut modifier
// bits. With Ctrl, control characters become their letters; the window system
// gives the same control character for Ctrl+Enter and Ctrl+M (and for Tab and
// Backspace and their letters), so the physically held key decides when known.
int32_t character_key_code(unsigned char c, int modifiers, scan_down_query down);

// Key code to release for a character from the keyboard-up callback: the mapped
// code, or the held key it pairs with when the release reads differently from
// the press ('a' for a held 'A', Enter for Ctrl+Enter let go with Ctrl held).
int32_t character_release_code(unsigned char c, int modifiers, scan_down_query down);

// Key code of a freeglut special-key number; 0 for numbers that are ignored.
int32_t special_key_code(int key);
