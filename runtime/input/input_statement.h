#pragma once
// INPUT: reads a line typed by the user into the variables of the INPUT
// variable list, checking the line after every keystroke. Program thread.
#include <cstdint>

#include "runtime/input/input_validation.h"

// Entry index (1, 2, ...) of the INPUT variable list: the variable's type word
// and its address (a str_desc for a string). The compiled program fills
// entries 1 to n before calling input_statement(n, ...). Entries stay set.
void input_set_variable(int32_t index, uint32_t type_word, void* target);

// Reads a line into variables 1 to count; end_line non-zero moves the cursor to
// the next line after Enter. The prompt is printed by the caller beforehand.
// Returns at once when the shutdown begins (the caller then stops the program
// thread) or when an error becomes pending (it then reaches line_event).
// A count without filled entries, or an entry INPUT cannot fill, raises error 5.
void input_statement(int32_t count, int32_t end_line);
