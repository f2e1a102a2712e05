#pragma once
// The string engine's own state and the working state of VAL and PRINT USING:
// what the strings files share with each other and with their tests. Program
// thread only, as the whole string engine.
#include <cstddef>
#include <cstdint>

#include "runtime/strings/strings.h"

// The value a released slot holds.
inline str_desc* const list_hole = reinterpret_cast<str_desc*>(intptr_t{-1});

constexpr uint32_t desc_block_records = 65536;
constexpr uint32_t heap_spare_bytes = 32;          // after every new heap string
constexpr uint32_t segment_startup_reserve = 8;    // taken off the record stack at start-up

// Starting sizes; the defaults are the runtime's. Smaller sizes make the growth
// and compaction paths reachable with little data.
struct string_engine_sizes {
  size_t heap_size = 1048576;
  uint32_t list_capacity = 65535;          // string_heap.list, data_segment.list and string_heap.temps
  uint32_t free_stack_capacity = 65536;
};

// The same with other starting sizes. Called again, it discards every string and
// starts over (the data segment is cleared).
void strings_init_sized(const string_engine_sizes& sizes);

// Compaction and list maintenance, run by the operations above when space runs out.
void heap_compact(size_t need);
void segment_compact(uint32_t need);
void list_pack(str_list& list);

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

// The core: formats value (a string), or the number in using_digits when value
// is null, at the next field of format from start.
int32_t using_field(const str_desc* format, int32_t start, str_desc* output, const str_desc* value);

// Capacities of the static parse state.
constexpr int32_t text_value_store_size = 256;   // digit_store and the text buffer
// Significant digits kept as written; the rest of a longer mantissa is dropped,
// with one digit "1" standing for any non-zero digit among them so that the
// final rounding still sees that the value lies above the kept digits.
constexpr int32_t text_value_kept_digits = 229;

// Where VAL's reading stands in a decimal number; the order matters: each
// part may only follow the ones before it.
enum text_value_phase : int32_t {
  val_nothing_yet = 0,
  val_integer_part = 1,
  val_after_point = 2,
  val_after_exponent_letter = 3,
  val_in_exponent = 4,
};

// Per-call parse state, reset at the start of every call.
struct text_value_state {
  int64_t position;           // next character
  text_value_phase parse_state;
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

