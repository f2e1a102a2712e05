#pragma once
// Text output at the write image's cursor: PRINT's strings with their control
// characters, the wrap at the right edge, new lines with scrolling of the print
// region, the fitting rule for PRINT items and the comma's zones. Program thread.
#include <cstdint>

#include "runtime/screen/image_record.h"
#include "runtime/strings/string_engine.h"

// Control characters are drawn as glyphs instead of acting (the control-character switch).
extern int32_t control_chars_off;
// Set only while the key-label line prints its labels: control characters are drawn too.
extern int32_t print_literal;

// Prints one string at the cursor; newline non-zero ends the line afterwards.
void print_text(const str_desc* text, int32_t newline);
// The same for len bytes at chars.
void print_chars(const uint8_t* chars, int32_t len, int32_t newline);

// Cursor to column 1 of the next row, scrolling the print region below its last row.
void new_line();

// Before a PRINT item: a new line when the item does not fit on the rest of the line.
void make_fit(const str_desc* text);

// The PRINT comma: on to the next 14-column zone.
void next_zone();

// The control-character switch: 2 draws control characters, anything else lets them act.
void control_chars_set(int32_t mode);
// -1 while control characters are drawn, else 0.
int32_t control_chars_query();

// Moves character rows top+1 .. bottom of an image up by one (one block move)
// and fills row bottom with blank cells or the background. Rows are clamped to the image.
void scroll_rows_up(image_record* img, int32_t top, int32_t bottom);
