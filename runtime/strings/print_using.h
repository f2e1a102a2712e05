#pragma once
// PRINT USING: numbers and strings formatted by the fields of a format string.
//
// Numeric fields: "#" digit positions, "." point, "," thousands separators,
// a leading "+" or a trailing "+" or "-" for the sign, "$$" floating dollar,
// "**" star fill, "**$" both, "^^^^" or "^^^^^" exponent notation. String
// fields: "&" the whole string, "!" its first character, and a backslash pair
// with n spaces between them, n + 2 characters. Other characters are copied;
// "_" copies the character after it.
//
// The compiled statement calls one entry point per value: each takes the
// format, the value, the format position where the previous value stopped (0
// for the first) and the output string being built. It appends the literal
// characters up to the value's field and the formatted value, then literals
// up to the next field, and returns the position where the next value's field
// starts (0 when the format was used up: the next value starts it over).
//
// The format and a string value are only read (the statement's cleanup
// releases them). The output string, a variable-length string, grows by what
// each call appends; it must be neither the format nor the value.
//
// Errors: a number meeting a string field or a string meeting a numeric field
// 13; a format with no field at all 5. After an error the call returns 0 and the
// output keeps what was appended before it. While an error is pending every
// entry point does nothing and returns 0.
//
// Program thread only: the digits and the text being built are static.
#include <cstdint>

#include "runtime/strings/string_engine.h"

constexpr int32_t using_digit_capacity = 1024;

// The number to format, handed from an entry point to using_field: the digit
// string read as an integer, times 10 ^ exponent.
struct using_digits_state {
  char digits[using_digit_capacity + 1];  // most significant first; one more for a rounding carry
  int32_t count;
  int32_t exponent;
  uint8_t negative;
  char letter;  // exponent letter: "E", "D" while a double is formatted, "F" for an extended value
};

extern using_digits_state using_digits;

int32_t using_int64(const str_desc* format, int64_t value, int32_t start, str_desc* output);
int32_t using_uint64(const str_desc* format, uint64_t value, int32_t start, str_desc* output);
int32_t using_single(const str_desc* format, float value, int32_t start, str_desc* output);
int32_t using_double(const str_desc* format, double value, int32_t start, str_desc* output);
int32_t using_extended(const str_desc* format, long double value, int32_t start, str_desc* output);

// The core: formats value (a string), or the number in using_digits when value
// is null, at the next field of format from start.
int32_t using_field(const str_desc* format, int32_t start, str_desc* output, const str_desc* value);
