#pragma once
// Drawing characters into images.
#include <cstdint>

#include "runtime/screen/font_engine.h"
#include "runtime/screen/image_record.h"
#include "runtime/strings/string_engine.h"

// Draws one character at the write image's cursor without moving it.
void put_char(uint32_t code);

// Draws a built-in glyph (fonts 8, 9, 14, 15, 16, 17) with its top-left corner
// at (x0, y0) in the image's colour, background and print mode. Pixels outside
// the image are dropped; with clip_to_view, those outside the view port too.
void draw_builtin_glyph(image_record* img, uint32_t font, uint32_t code, int32_t x0, int32_t y0, bool clip_to_view);

// Draws a coverage bitmap of a loaded font at (x0, y0): as set/clear pixels on
// one-byte images, with blending off or with font_flags DONTBLEND; otherwise
// mixed by coverage into the 32-bit pixels.
void draw_coverage(image_record* img, const glyph_coverage& glyph, int32_t font_flag_bits, int32_t x0, int32_t y0,
                   bool clip_to_view);

// Width of a text in pixels on an image (characters on a text surface).
// Bit 0 of given: page_or_handle names the image, else the write image.
int32_t text_width(const str_desc* text, int64_t page_or_handle, int32_t given);

// Prints a text with its top-left corner at (x, y) on a pixel image. given
// bit 0: (x, y) is relative to the image's last graphics point; bit 1: an
// image is given.
void print_at(float x, float y, const str_desc* text, int64_t page_or_handle, int32_t given);
