#pragma once
// The BIOS keyboard buffer in conventional memory: head offset at 0x41A, tail
// offset at 0x41C, (character, scan) byte pairs at 0x400 + offset for offsets
// 0x1E, 0x20, ... 0x3C. Full when the next tail equals the head: 15 keys fit.
// The window thread writes the tail, the program thread the head.
#include <cstdint>

constexpr uint16_t bios_kbd_first = 0x1E;
constexpr uint16_t bios_kbd_end = 0x3E;

// Both offsets to 0x1E: empty.
void bios_key_buffer_reset();

// Appends a key; false (and the key is lost) when the buffer is full.
bool bios_key_buffer_put(uint8_t character, uint8_t scan);
