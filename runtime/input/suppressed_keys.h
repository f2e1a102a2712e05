#pragma once
// Keys whose press was consumed (by a key trap, a soft-key string or one of the
// special combinations): their release is swallowed as well. 256 slots, at most
// 255 in use; 0 marks a free slot. Used under the key handlers' lock.
#include <cstdint>

// Records code in the first free slot; when none is free and 255 are in use, nothing.
void suppressed_keys_add(int32_t code);

// True (and the slot freed) when code was recorded.
bool suppressed_keys_take(int32_t code);

void suppressed_keys_clear();
