#pragma once
// The emulated DOS clock: the bases that tie ms_counter to local time of day,
// and the BIOS tick count at 0x46C.
#include <cstdint>

extern int32_t counter_base;  // low 32 bits of ms_counter at the second boundary found at start-up
extern int32_t day_ms_base;   // milliseconds since local midnight at that boundary

// Waits for the wall clock's second to change (up to one second) and takes the bases.
void sync_clock_bases();

// Ticks since midnight (18.2 a second) for a counter reading, given the bases.
uint32_t bios_ticks_at(uint32_t counter_low, int32_t base, int32_t day_ms);

// Writes the current tick count into conventional memory (main loop).
void update_bios_ticks();
