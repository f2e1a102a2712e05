#pragma once
// Numbers as the strings that hold their raw bytes (MKx$) and back (CVx).
//
// MKx$ returns a new temporary holding the value's bytes, little-endian. CVx
// reads a value from the start of a string, which it does not release; a string
// shorter than the value raises error 5 and gives 0.
//
// The MBF functions use the older binary floating-point layout: the highest
// byte is the exponent with bias 128 (0 means the value 0), the byte below it
// holds the sign in its top bit and the mantissa's leading bits after the
// hidden 1; the value is 0.1mmm... (binary) times 2 ^ (exponent - 128). Four
// bytes hold 24 mantissa bits, eight bytes hold 56.
#include <cstdint>

#include "runtime/strings/string_engine.h"

// Bytes of an 80-bit extended value inside its MKx$ string, and that string's length.
constexpr int32_t extended_value_bytes = 10;
constexpr int32_t extended_string_length = 32;

str_desc* mk_int8(int8_t v);
str_desc* mk_uint8(uint8_t v);
str_desc* mk_int16(int16_t v);
str_desc* mk_uint16(uint16_t v);
str_desc* mk_int32(int32_t v);
str_desc* mk_uint32(uint32_t v);
str_desc* mk_int64(int64_t v);
str_desc* mk_uint64(uint64_t v);
str_desc* mk_single(float v);
str_desc* mk_double(double v);
// The 10 bytes of the value, zero-filled to 32.
str_desc* mk_extended(long double v);
// A bit field of bits (1 to 64) bits: the low bits of v in (bits + 7) / 8 bytes.
// The same bytes serve the signed and the unsigned field. Other widths: error 5, "".
str_desc* mk_bits(uint64_t v, int32_t bits);

int8_t cv_int8(const str_desc* s);
uint8_t cv_uint8(const str_desc* s);
int16_t cv_int16(const str_desc* s);
uint16_t cv_uint16(const str_desc* s);
int32_t cv_int32(const str_desc* s);
uint32_t cv_uint32(const str_desc* s);
int64_t cv_int64(const str_desc* s);
uint64_t cv_uint64(const str_desc* s);
float cv_single(const str_desc* s);
double cv_double(const str_desc* s);
long double cv_extended(const str_desc* s);  // needs all 32 bytes
// Bit fields: the low bits of the first (bits + 7) / 8 bytes; the signed form
// copies bit bits - 1 into the higher bits.
uint64_t cv_ubits(const str_desc* s, int32_t bits);
int64_t cv_bits(const str_desc* s, int32_t bits);

// MKSMBF$ / MKDMBF$: a value outside what the layout holds (magnitude 2^127 and
// more, non-zero magnitude below 2^-128, infinities, not-a-number) raises
// error 5 and gives "".
str_desc* mk_smbf(float v);
str_desc* mk_dmbf(double v);
// CVSMBF / CVDMBF: the 56-bit mantissa of the long form is rounded to the
// nearest double.
float cv_smbf(const str_desc* s);
double cv_dmbf(const str_desc* s);
