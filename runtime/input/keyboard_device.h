#pragma once
// The keyboard as a game-input device (device table entry 1): every press and
// release of a physical key, as its 9-bit PC scan code (extended keys 0x100 +
// code), becomes an event of the device with button = scan code. Window thread.
#include <cstdint>

constexpr int32_t keyboard_device = 1;

// A press (pressed = 1) or release (0) of scan code 0-511. A press of a key already
// down (auto-repeat) and a release of a key already up record nothing.
void keyboard_hook(int32_t scan_code, int32_t pressed);
