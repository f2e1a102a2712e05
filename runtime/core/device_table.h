#pragma once
// Input devices known to the program: entry 1 the keyboard, entry 2 the mouse
// (entry 0 stays empty). Game controllers follow with kind 1.
#include <cstdint>

constexpr int32_t device_kind_controller = 1;
constexpr int32_t device_kind_keyboard = 2;
constexpr int32_t device_kind_mouse = 3;

struct device_record {
  int32_t kind = 0;
  const char* description = "";
  int32_t buttons = 0;
  int32_t axes = 0;
  int32_t wheels = 0;
  const char* name = "";
};

constexpr int32_t device_table_capacity = 258;  // the two fixed entries plus 256 controllers

extern device_record device_table[device_table_capacity];
extern int32_t device_count;
