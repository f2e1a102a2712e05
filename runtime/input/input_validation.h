#pragma once
// The checks INPUT makes on its line after every keystroke: the split into
// fields at commas (with quoted fields), the shape and range of each field for
// its variable's type, and the store of the values into the variables.
// Program thread.
#include <cstdint>

// Bits of a variable's type word.
constexpr uint32_t input_size_bits = 0x1FF;     // 8, 16, 32, 64 (integers); 32, 64, 256 (floating point)
constexpr uint32_t input_line_mode = 1u << 9;   // with input_string: the whole line, commas and quotes included
// Bit 24 (not cleared or written as raw bytes) needs nothing here: every value
// is written through its type, and a cleared number is the type's zero.
constexpr uint32_t input_not_raw = 1u << 24;
constexpr uint32_t input_unsigned = 1u << 28;
constexpr uint32_t input_float = 1u << 29;
constexpr uint32_t input_string = 1u << 30;     // target is a str_desc (fixed-length: its length is the limit)

// One variable of an INPUT. A numeric target holds (size / 8) bytes; an
// extended (256-bit) one holds the 80-bit value zero-filled to 32 bytes.
struct input_variable {
  uint32_t type_word;
  void* target;
};

// True when the type word names a type INPUT can fill.
bool input_type_known(uint32_t type_word);

// A line holds at most this many characters, so at most one more field.
constexpr int32_t input_line_max = 255;
constexpr int32_t input_fields_max = input_line_max + 1;

// One field of the line: its text without the quotes of a quoted field.
struct input_field {
  int32_t start;
  int32_t len;
};

// Splits line into fields for count variables (line mode: the whole line is
// one field). Returns the number of fields, or -1 when the line cannot be
// valid: a character after a closing quote, or more fields than variables.
// fields holds input_fields_max entries.
int32_t input_split_fields(const uint8_t* line, int32_t len, int32_t count, bool line_mode, input_field* fields);

// A checked field: the bytes to store for a numeric variable.
struct input_value {
  uint8_t bytes[32];
};

// Checks one field against its variable's type; when valid and value is not
// null, fills value (numeric types only). An empty field is always valid (0).
bool input_check_field(const input_variable& var, const uint8_t* text, int32_t len, input_value* value);

// Stores a valid field into its variable (strings are assigned the text).
void input_store_field(const input_variable& var, const uint8_t* text, int32_t len);

// Empties a variable: "" (spaces for a fixed-length string) or 0.
void input_clear_variable(const input_variable& var);

// Checks the whole line against the variables. When every field is valid,
// stores every field and empties the variables beyond the last field, and
// returns true; otherwise changes nothing and returns false.
bool input_validate_line(const input_variable* vars, int32_t count, const uint8_t* line, int32_t len);
