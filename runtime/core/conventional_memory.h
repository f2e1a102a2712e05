#pragma once
// The emulated first megabyte of a DOS machine (plus the high-memory spill-over).
// Offsets are real-mode linear addresses.
#include <cstddef>
#include <cstdint>

constexpr size_t conventional_memory_size = 1114099;  // 0x10FFF3

constexpr uint32_t bios_kbd_head = 0x41A;
constexpr uint32_t bios_kbd_tail = 0x41C;
constexpr uint32_t bios_tick_count = 0x46C;
constexpr uint32_t string_segment_offset = 0x500;

extern uint8_t conventional_memory[conventional_memory_size];

// Accessors for bytes and little-endian words the emulated BIOS keeps.
uint8_t cm_read8(uint32_t offset);
void cm_write8(uint32_t offset, uint8_t value);
uint16_t cm_read16(uint32_t offset);
void cm_write16(uint32_t offset, uint16_t value);
uint32_t cm_read24(uint32_t offset);
void cm_write24(uint32_t offset, uint32_t value);
