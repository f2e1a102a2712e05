#pragma once
// The translation of keys to IBM PC enhanced-keyboard BIOS codes (INT 16h
// extended read). Row r describes one key:
//   rows 0-255    single-byte keys by character code,
//   rows 256-511  two-byte keys, row 256 + (key_code >> 8),
//   rows 512-527  the keypad, row 512 + n for 100256 + n and for 200000 + n.
// Columns: 0 identifies the key, 1 the make code (scan code set 1, 0 = no key),
// 2-5 the code plain, with Shift, Ctrl, Alt, 6 with Num Lock on, 9 with Num Lock
// on and Shift; 7 and 8 are 0. A code below 256 is a character, a code with bits
// 8-15 set is a two-byte code (scan byte = code >> 8), 0 produces nothing.
#include <array>
#include <cstdint>

constexpr int32_t key_table_rows = 528;
constexpr int32_t key_table_columns = 10;

enum key_table_column : int32_t {
  kt_id = 0,
  kt_make = 1,
  kt_plain = 2,
  kt_shift = 3,
  kt_ctrl = 4,
  kt_alt = 5,
  kt_num_lock = 6,
  kt_num_lock_shift = 9,
};

using key_table = std::array<std::array<int32_t, key_table_columns>, key_table_rows>;
extern const key_table key_translation_table;

// Row of a character (0-255), two-byte (256-0xFFFF) or keypad code; -1 for others.
int32_t key_table_row(int32_t code);

// Make code of a modifier or lock key (42, 54, 56, 29, 69, 58, 70); 0 for others.
int32_t modifier_make_code(int32_t code);
