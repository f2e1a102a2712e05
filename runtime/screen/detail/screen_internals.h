#pragma once
// What the screen's files share that no other folder uses: the font engine,
// console output and where the key statements keep what they define. Program
// thread, except where a declaration says otherwise.
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/screen/screen.h"

// The font engine behind loaded fonts (font_engine.cpp): FreeType faces made
// from a font file's bytes, glyphs rendered once into coverage bitmaps of the
// font's cell height and kept until the font is released. Program thread,
// except font_engine_text_cells.

// One glyph as drawn: its bitmap spans the cell's rows, with the pen on the
// cell's left edge and the glyph on the font's baseline.
struct glyph_coverage {
  const uint8_t* pixels;  // width * height bytes, 0 clear .. 255 fully set
  int32_t width;
  int32_t height;   // the font's cell height; row 0 is the top of the cell
  int32_t left;     // column of the bitmap's first pixel from the pen (negative when ink hangs left)
  int32_t advance;  // pixels the pen moves on
};

// A font of the given pixel height (1 .. font_height_max) from a font file's
// bytes, which the engine copies and keeps for the font's life; 0 when none
// can be made. flags are the font_flags option bits.
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

// The glyph of a character of a loaded font number: a code point when the
// font has the UNICODE flag, else the code's low byte; null when none.
const glyph_coverage* loaded_glyph(uint32_t font, uint32_t code);

// Draws a glyph of a loaded font with its pen at (pen_x, y0), the top of the
// cell: as set/clear pixels on one-byte images, with blending off or with
// font_flags DONTBLEND; otherwise mixed by coverage into the 32-bit pixels.
// Pixels outside the image are dropped; with clip_to_view, those outside the
// view port too. The glyph's cell (pen to advance) is drawn in the print mode,
// ink hanging outside it as in print mode 1; parts picks either or both, so
// that a run of glyphs can have every cell drawn before any overhang.
enum coverage_parts : uint8_t { coverage_cell = 1, coverage_overhang = 2, coverage_whole = 3 };
void draw_coverage(image_record* img, const glyph_coverage& glyph, int32_t font_flag_bits, int64_t pen_x, int64_t y0,
                   bool clip_to_view, coverage_parts parts = coverage_whole);

// PRINT on a console surface: the text goes to the process's standard output.

// Writes chars up to len bytes or the first zero byte, whichever comes first;
// newline adds an end-of-line and flushes the stream. No cursor moves.
void console_write(const uint8_t* chars, int32_t len, int32_t newline);

// Where the key statements keep what they define: the label (soft-key) texts
// of the function keys and the make code and shift state of user-defined trap
// keys. Program thread writes; the labels are read by the key-label line.

// Entries 1-10 are F1-F10, 30 and 31 are F11 and F12.
void key_label_store(int32_t entry, const uint8_t* chars, int32_t len);
std::string key_label_text(int32_t entry);

// Entries 15-29: the key with this make code and shift state; make 0 clears it.
void user_key_store(int32_t entry, uint8_t make, uint8_t shift_mask);
uint8_t user_key_make(int32_t entry);
uint8_t user_key_shift_mask(int32_t entry);

// Forgets every label and user-defined key (start-up and tests).
void key_definitions_reset();
