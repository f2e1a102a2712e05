#pragma once
// The string functions and the statements that write into an existing string.
//
// Functions returning a string return a temporary, or their operand itself when
// the result is all of it. A temporary heap operand (not fixed, read-only or in
// the data segment) is reused: the result is made by moving its chars and len,
// with no copy. Any other operand is copied into a new temporary and released
// when it was temporary. Reading functions (LEN, ASC, INSTR) never release.
//
// Optional arguments arrive as values plus a bit set saying which were given
// (bit 0 for the first optional argument).
#include <cstdint>

#include "runtime/strings/string_engine.h"

// LEFT$, RIGHT$ and MID$; counts are clamped to the string.
str_desc* str_left(str_desc* s, int32_t n);
str_desc* str_right(str_desc* s, int32_t n);
// MID$(s, start[, length]); passed bit 0: length given.
str_desc* str_mid(str_desc* s, int32_t start, int32_t length, int32_t passed);
// Only spaces (byte 32) are trimmed.
str_desc* str_ltrim(str_desc* s);
str_desc* str_rtrim(str_desc* s);
// ASCII letters only; other bytes are left as they are.
str_desc* str_ucase(str_desc* s);
str_desc* str_lcase(str_desc* s);

// CHR$: one byte, 0-255; any other code raises error 5 and gives "".
str_desc* str_chr(int32_t code);
// SPACE$ and STRING$; a negative count gives "".
str_desc* str_space(int32_t n);
str_desc* str_string(int32_t n, int32_t code);
// DATE$ "MM-DD-YYYY" and TIME$ "HH:MM:SS" in local time; error 5 and "" when the
// clock is not available.
str_desc* str_date();
str_desc* str_time();

int32_t str_len(const str_desc* s);
// ASC(s) and ASC(s, position); error 5 and 0 for an empty string or a position
// outside 1 .. LEN(s).
int32_t str_asc(const str_desc* s);
int32_t str_asc_at(const str_desc* s, int32_t position);
// INSTR([start,] s, search): 1-based position of the first match, or 0.
// passed bit 0: start given (1 otherwise).
int32_t str_instr(int32_t start, const str_desc* s, const str_desc* search, int32_t passed);

// MID$(dest, start[, length]) = src: overwrites bytes of dest in place; dest's
// length never changes. passed bit 0: length given.
void str_mid_statement(str_desc* dest, int32_t start, int32_t length, str_desc* src, int32_t passed);
// LSET and RSET: src into dest's length, padded with spaces on the right (LSET)
// or the left (RSET), cut to dest's length from the start. A dest bound to a
// file's record buffer passes the new bytes on.
void str_lset(str_desc* dest, str_desc* src);
void str_rset(str_desc* dest, str_desc* src);
