#pragma once
// Numbers to text: what STR$ returns and PRINT shows for a number, and HEX$ and
// OCT$. Every result is a new temporary string.
//
// A non-negative value starts with a space where a negative one has its minus
// sign; integers are written in full; floating values show at most 7 (single)
// or 16 (double) significant digits, drop trailing zeros and the "0" before the
// point, and use exponent form ("E" single, "D" double) only when the plain form
// would need more digits than the type holds.
#include <cstdint>

#include "runtime/strings/string_engine.h"

str_desc* text_of_int8(int8_t v);
str_desc* text_of_int16(int16_t v);
str_desc* text_of_int32(int32_t v);
str_desc* text_of_int64(int64_t v);
str_desc* text_of_uint8(uint8_t v);
str_desc* text_of_uint16(uint16_t v);
str_desc* text_of_uint32(uint32_t v);
str_desc* text_of_uint64(uint64_t v);

str_desc* text_of_single(float x);
str_desc* text_of_double(double x);
// Rounded to double precision first: prints like a double.
str_desc* text_of_extended(long double x);

// HEX$ of v (sign-extended to 64 bits); width = the source type's size in hex
// digits (2, 4, 8 or 16).
str_desc* hex_text(int64_t v, int32_t width);
// OCT$ of v; bits = the source type's width (8, 16, 32 or 64).
str_desc* oct_text(int64_t v, int32_t bits);
// HEX$ / OCT$ of a floating value, rounded to an integer (ties to even) and shown
// as a 32-bit quantity when it fits one. Outside the 64-bit range: error 6 and
// an empty string.
str_desc* hex_text_of_float(long double x);
str_desc* oct_text_of_float(long double x);
