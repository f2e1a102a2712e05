#pragma once
// The function-key label line on the last row of page 0, and the KEY
// statements that define and list the labels. Program thread.
#include <cstdint>

#include "runtime/strings/string_engine.h"

extern int32_t key_line_wanted;  // KEY ON / KEY OFF
extern int32_t key_line_shown;   // what the last row shows now

// Draws or clears the label line on page 0. Forced (after SCREEN and CLS): only
// while the line is wanted on. Unforced: only when wanted and shown differ.
void key_line_redraw(int32_t forced);
// KEY ON (non-zero) and KEY OFF.
void key_line_set(int32_t on);

// KEY n, text: keys 1-10 and 30-31 (F11, F12) take a label of up to 15
// characters; keys 15-29 define trap keys (the last character is the make
// code, the others OR-ed together the shift state; empty text clears). Any
// other key, or a longer label, is error 5.
void key_define(int32_t key, const str_desc* text);

// KEY LIST: one line per function key 1-12 with its label.
void key_list();

// The glyph a control character of a label is shown as (others unchanged).
uint8_t key_label_glyph(uint8_t code);
