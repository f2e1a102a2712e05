#pragma once
// INKEY$: one key from the BIOS keyboard buffer, without waiting. Program thread.
#include <cstdint>

#include "runtime/strings/strings.h"

// Takes the entry at the head of the BIOS keyboard buffer: false when it is
// empty. A head outside the ring's slots (a program poked it) empties the ring.
bool bios_key_take(uint8_t* character, uint8_t* scan);

// A temporary: "" when no key waits (or an error is pending), one character
// for an ordinary key, CHR$(0) + scan code for an extended key. Yields the
// processor once before looking.
str_desc* inkey();
