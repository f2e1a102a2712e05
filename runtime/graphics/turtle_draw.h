#pragma once
// DRAW: a string of one-letter commands that move a pen from the last graphics
// point of the write image, drawing as it goes, turning and scaling its moves,
// setting the colour, filling, and running other strings as sub-strings.
// Program thread only.
//
// Command strings are outside input: every number, variable reference and
// sub-string is checked before use. A bad command, number or reference is
// error 5; sub-strings nested deeper than turtle_nesting_max, or sub-strings
// that together do more than turtle_substring_budget units of work, are
// error 6. The statement stops at the error with what it drew so far, and the
// last graphics point keeps its old value.
#include <cstdint>

#include "runtime/strings/string_engine.h"

constexpr int32_t turtle_nesting_max = 8192;

// Work allowed to sub-strings in one statement: a command character counts 1,
// a line the pixels it stores, a fill the pixels it examines. Sub-strings
// calling each other can ask for work that grows exponentially with the depth;
// this bound keeps a statement to a fraction of a second.
constexpr int64_t turtle_substring_budget = int64_t{1} << 26;

// Type codes of the variable references ("=" and "X" followed by a type code
// and a 16-bit little-endian offset into data_segment).
constexpr uint8_t reference_int8 = 1, reference_uint8 = 129, reference_int16 = 2, reference_uint16 = 130,
                  reference_int32 = 20, reference_uint32 = 148, reference_int64 = 5, reference_uint64 = 133,
                  reference_single = 4, reference_double = 8, reference_extended = 6, reference_string = 3;

void turtle_draw(const str_desc* commands);
// The same over bytes the caller holds.
void turtle_draw_bytes(const uint8_t* text, int32_t length);
