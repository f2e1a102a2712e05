#include "runtime/input/input_line_editor.h"

input_key_action input_key_action_of(uint8_t key) {
  switch (key) {
    case 13: return input_key_end;
    case 8: return input_key_backspace;
    case 9: return input_key_tab;
    case 7: return input_key_bell;
    case 10: case 11: case 12: case 28: case 29: case 30: case 31: return input_key_ignored;
    default: return input_key_type;
  }
}

void input_editor_begin(input_editor* ed, const input_variable* vars, int32_t count) {
  ed->vars = vars;
  ed->count = count;
  ed->len = 0;
  for (int32_t i = 0; i < count; ++i) input_clear_variable(vars[i]);
  input_validate_line(vars, count, ed->line, 0);
}

bool input_editor_type(input_editor* ed, uint8_t character) {
  if (ed->len >= input_line_max) return false;
  ed->line[ed->len] = character;
  if (!input_validate_line(ed->vars, ed->count, ed->line, ed->len + 1)) return false;
  ++ed->len;
  return true;
}

bool input_editor_backspace(input_editor* ed) {
  if (ed->len == 0) return false;
  // The empty line is valid for every type, so this ends.
  do --ed->len;
  while (!input_validate_line(ed->vars, ed->count, ed->line, ed->len));
  return true;
}

int32_t input_tab_spaces(const input_editor* ed) { return 8 - ed->len % 8; }
