#pragma once
// The keyboard as a game-input device: every press and release of a physical key
// as its 9-bit PC scan code (extended keys 0x100 + code). The window procedure
// reports them; the device event lists of the mouse and game-device input take
// them from this ring once they exist. 256 entries; when full the newest is lost.
#include <cstdint>

// A press (pressed = 1) or release (0) of scan code 0-511.
void keyboard_hook(int32_t scan_code, int32_t pressed);

// Takes the oldest report; false when there is none.
bool keyboard_device_take(int32_t* scan_code, int32_t* pressed);
