#pragma once
// The growing arena the compiled program's variables come from. Blocks are never
// freed, so a variable stays where it was allocated. Program thread only.
#include <cstddef>
#include <cstdint>

struct variable_arena_state {
  uint8_t* base = nullptr;
  size_t top = 0;  // offset of the next free byte in the current block
  size_t size = 0; // size of the current block
};

extern variable_arena_state variable_arena;

constexpr size_t arena_first_block = 1048576;

// Allocates the first block (start-up).
void arena_init();
// n bytes, rounded up to 8, zero-filled; a new block of n + 2 x block size when
// the current one is used up (fatal error 504 when that fails).
void* arena_alloc(size_t n);
// Moves the top back to p when p lies within the current block, else to its base.
void arena_reset(void* p);
