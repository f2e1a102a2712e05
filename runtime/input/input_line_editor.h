#pragma once
// The line INPUT edits: the accepted line and what each key does to it. The
// variables hold the values of the accepted line after every change. Program
// thread; the screen side is in input_statement.
#include <cstdint>

#include "runtime/input/input_validation.h"

struct input_editor {
  const input_variable* vars;
  int32_t count;
  uint8_t line[input_line_max];
  int32_t len;
};

// What a key read by INPUT does.
enum input_key_action : int32_t {
  input_key_type,       // appended to the line when the line stays valid
  input_key_end,        // 13: the line is finished
  input_key_backspace,  // 8
  input_key_tab,        // 9: spaces up to the next multiple of 8, each as if typed
  input_key_bell,       // 7: printed (a pause), not part of the line
  input_key_ignored,    // 10, 11, 12, 28-31
};
input_key_action input_key_action_of(uint8_t key);

// Empties the line and clears every variable (set-up), then stores the empty line.
void input_editor_begin(input_editor* ed, const input_variable* vars, int32_t count);

// Appends a typed character when the line has room and stays valid; the
// variables then hold the new line's values. False: refused, nothing changed.
bool input_editor_type(input_editor* ed, uint8_t character);

// Drops the last character, and more while the shorter line is not valid
// (then stores its values). False when the line was empty.
bool input_editor_backspace(input_editor* ed);

// The number of spaces a Tab feeds in at the line's current length.
int32_t input_tab_spaces(const input_editor* ed);
