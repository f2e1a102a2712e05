#pragma once
// Which keys are down, and the BIOS shift-flag bytes that mirror them.
#include <cstdint>
#include <vector>

#include "runtime/input/key_codes.h"

// Adds code (no duplicates) with the native key number its source gave (0 if none).
void held_keys_add(int32_t code, int32_t native);
void held_keys_remove(int32_t code);
bool held_keys_contains(int32_t code);

// 1 when code is held; characters and two-byte codes are retried as their keypad twins.
int32_t key_held(int32_t code);

// Rewrites the shift-flag bytes 0x417, 0x418 and 0x496 from the held keys.
void update_shift_flags();

// True for the codes whose holding the shift-flag bytes show.
bool shift_flags_reflect(int32_t code);

// A copy of the held codes, in the order they went down.
std::vector<int32_t> held_keys_snapshot();
