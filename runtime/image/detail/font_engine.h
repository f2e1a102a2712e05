#pragma once
// The font engine inside image/: FreeType faces behind loaded fonts and the
// load of a font from a file's bytes. Program thread, except
// font_engine_text_cells.
#include <cstddef>
#include <cstdint>

#include "runtime/image/image.h"

// The font engine (font_engine.cpp): FreeType faces made
// from a font file's bytes, glyphs rendered once into coverage bitmaps of the
// font's cell height and kept until the font is released. Program thread,
// except font_engine_text_cells.

// A font of the given pixel height (1 .. font_height_max) from a font file's
// bytes, which the engine copies and keeps for the font's life; 0 when none
// can be made. flags are the font_table.flags option bits.
uintptr_t font_engine_make(const uint8_t* file, size_t size, int32_t height, int32_t flags);
// The glyph of a code page 437 character (through the code page's Unicode
// table) or of a 32-bit code point; null when there is none. The glyph stays
// valid until the next call for the same font or its release.
const glyph_coverage* font_engine_render_char(uintptr_t font, uint32_t code);
const glyph_coverage* font_engine_render_code_point(uintptr_t font, uint32_t code_point);
// The fixed advance of a font, 0 for a proportional font.
int32_t font_engine_fixed_advance(uintptr_t font);
void font_engine_release(uintptr_t font);

// The 256 code page characters cut to cells of fixed advance x height pixels,
// for text screens. Made once by font_engine_prepare_text_cells (false when
// the font has no fixed advance or its cells are too large), then never
// changed until the font is released: font_engine_text_cells may be called on
// any thread and gives null before they are made.
bool font_engine_prepare_text_cells(uintptr_t font);
const uint8_t* font_engine_text_cells(uintptr_t font);

// Makes a font from a font file's bytes and gives it the lowest free font
// number (the end of load_font and load_font_plain): the number, or -1 when no
// font can be made of the bytes, the height is outside 1 .. font_height_max or
// the tables are full.
int32_t load_font_bytes(const uint8_t* file, size_t size, int32_t height, int32_t flags);
