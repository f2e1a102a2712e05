#pragma once
// Colour values for an image, image properties and the print mode.
// Every operation takes an optional page or handle, default the write image;
// the bit that says it was given is named at each.
#include <cstdint>

// Colour values: a 32-bit colour on 32-bit images, the nearest palette index
// otherwise. Components are clamped to 0-255. given bit 0: image given.
uint32_t colour_rgb(int32_t red, int32_t green, int32_t blue, int64_t page_or_handle, int32_t given);
// With an alpha; alpha 0 on a palette image gives its transparent colour when it has one.
uint32_t colour_rgba(int32_t red, int32_t green, int32_t blue, int32_t alpha, int64_t page_or_handle,
                     int32_t given);
// Channels of a colour of the image (an index up to the mask on palette images,
// error 5 above it). given bit 0: image given.
int32_t colour_alpha(uint32_t colour, int64_t page_or_handle, int32_t given);
int32_t colour_red(uint32_t colour, int64_t page_or_handle, int32_t given);
int32_t colour_green(uint32_t colour, int64_t page_or_handle, int32_t given);
int32_t colour_blue(uint32_t colour, int64_t page_or_handle, int32_t given);

// given bit 0: image given.
int32_t image_width_query(int64_t page_or_handle, int32_t given);
int32_t image_height_query(int64_t page_or_handle, int32_t given);
int32_t image_pixel_size(int64_t page_or_handle, int32_t given);  // 0 text, 4 mode 32, else 1
int32_t image_blend_query(int64_t page_or_handle, int32_t given);  // -1 when 32-bit pixels blend
void image_blend_on(int64_t page_or_handle, int32_t given);
void image_blend_off(int64_t page_or_handle, int32_t given);
uint32_t image_colour_query(int64_t page_or_handle, int32_t given);
uint32_t image_background_query(int64_t page_or_handle, int32_t given);

// Transparent colour: -1 text, 0 mode 32, else the palette index (-1 for none).
int32_t clear_colour_query(int64_t page_or_handle, int32_t given);
// given bit 0: a colour, bit 1: an image. Palette images take the colour (or
// none); 32-bit images make every pixel of the colour's RGB transparent.
void clear_colour_set(uint32_t colour, int64_t page_or_handle, int32_t given);

// Palette entries 0-255 of images with a palette. given bit 0: image given.
uint32_t palette_entry_get(int32_t entry, int64_t page_or_handle, int32_t given);
void palette_entry_set(int32_t entry, uint32_t value, int64_t page_or_handle, int32_t given);

// Sets the alpha of 32-bit pixels: all (no colour), those equal to first
// (bit 0), or those whose channels lie between first and second (bits 0 and
// 1). Bit 2: image given.
void set_alpha(int32_t alpha, uint32_t first, uint32_t second, int64_t page_or_handle, int32_t given);

// The print-mode statement: 1 foreground and background, 2 foreground only,
// 3 background only; text surfaces take only 1. given bit 0: image given.
void print_mode_set(int32_t how, int64_t page_or_handle, int32_t given);
int32_t print_mode_query(int64_t page_or_handle, int32_t given);
