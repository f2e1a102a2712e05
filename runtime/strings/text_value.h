#pragma once
// VAL: the number at the start of a string, as an 80-bit extended value.
//
// Decimal numbers with an optional sign, point and exponent ("E" or "D"), and
// integers after "&H", "&O" or "&B". Spaces and tabs are skipped anywhere in a
// decimal number. Reading stops quietly at the first character that cannot
// continue the number; no digits give 0.
//
// Program thread only: the parse state is static.
#include <cstdint>

#include "runtime/strings/string_engine.h"

// Capacities of the static parse state.
constexpr int32_t text_value_store_size = 256;   // digit_store and the text buffer
// Significant digits kept as written; the rest of a longer mantissa is dropped,
// with one digit "1" standing for any non-zero digit among them so that the
// final rounding still sees that the value lies above the kept digits.
constexpr int32_t text_value_kept_digits = 229;

// Per-call parse state, reset at the start of every call.
struct text_value_state {
  int64_t position;           // next character
  int32_t parse_state;        // 0 nothing yet, 1 integer part, 2 after the point, 3 after the exponent letter, 4 in the exponent
  uint8_t negative;
  uint8_t exponent_negative;
  char digit_store[text_value_store_size];  // significant mantissa digits, no leading zeros
  int32_t digit_count;
  uint8_t digits_dropped;     // a non-zero digit past the kept ones was seen
  int64_t point_position;     // stored digits before the decimal point (negative for zeros after it)
  int64_t integer_value;      // value of the first (at most 18) integer digits
  int64_t exponent_value;
  int32_t exponent_digits;
  char text[text_value_store_size];  // the normalised number for the final scan
};

extern text_value_state value_state;

// VAL(s). Reads s and does not release it. A "&H"/"&O"/"&B" number with more
// significant digits than 64 bits hold raises error 6 and gives 0.
long double text_value(const str_desc* s);
