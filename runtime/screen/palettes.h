#pragma once
// The default colour tables and the palette of each image.
#include <atomic>
#include <cstdint>

#include "runtime/screen/image_record.h"

// Working copies, alpha byte 0xFF (filled by palettes_init).
extern uint32_t vga_palette[256];
extern uint32_t ega_palette[64];
// Mode 10 grey levels by blink phase and attribute number (no alpha byte).
extern uint32_t mono_attribute_table[2][9];

// Copies the constant tables into the working tables.
void palettes_init();

// A zeroed palette of 256 entries; null when memory runs out.
std::atomic<uint32_t>* palette_new();
void palette_delete(std::atomic<uint32_t>* palette);

// The default colours of the image's mode (nothing for 32-bit images).
void default_palette(image_record* img);
