#pragma once
// What the text files share that no other folder uses: drawing a loaded
// font's glyph by coverage and console output. Program thread.
#include <cstdint>

#include "runtime/text/text.h"

// Draws a glyph of a loaded font with its pen at (pen_x, y0), the top of the
// cell: as set/clear pixels on one-byte images, with blending off or with
// font_table.flags DONTBLEND; otherwise mixed by coverage into the 32-bit pixels.
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
