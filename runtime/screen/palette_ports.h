#pragma once
// The VGA palette ports and the blink switch.
#include <cstdint>

extern int32_t palette_read_index;
extern int32_t palette_read_component;
extern int32_t palette_write_index;
extern int32_t palette_write_component;
extern bool unhandled_port_used;  // an OUT to a port the runtime does not emulate

// OUT port, value: 0x3C7 read index, 0x3C8 write index, 0x3C9 the next 6-bit
// colour component of the write image's palette, 0x3C0 the blink bit.
void port_out(int32_t port, int32_t value);

// The blink statement (1 turns blinking on, anything else off) and its query (-1 or 0).
void blink_set(int32_t on);
int32_t blink_query();
