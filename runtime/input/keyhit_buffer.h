#pragma once
// The key-event ring for the key-event query: 8192 entries of (value, keypad flag),
// key-ups as negative values. The window thread writes and, when the ring is
// full, moves the read index past the oldest event; the program thread reads.
#include <cstdint>

constexpr int32_t keyhit_size = 8192;

// Start-up: empty (read index = write index).
void keyhit_reset();

void keyhit_put(int32_t value, int32_t keypad);

// Takes the oldest event; false when the ring is empty.
bool keyhit_take(int32_t* value, int32_t* keypad);
