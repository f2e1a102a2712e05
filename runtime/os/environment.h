#pragma once
// The process environment as the environment functions see it: ENVIRON$ by
// index and by name, and the ENVIRON statement. Program thread.
#include <cstdint>

#include "runtime/strings/string_engine.h"

// Entries of the C environment array, the terminating null entry included.
// Counted at start-up and again after every ENVIRON statement.
extern int32_t environment_entries;

void environment_init();

// ENVIRON$(n): the n-th entry ("NAME=value", as stored); "" past the end; n < 1
// raises error 5 and gives "".
str_desc* environ_by_index(int32_t n);

// ENVIRON$(name): the variable's value; "" when it is not set.
str_desc* environ_by_name(const str_desc* name);

// ENVIRON "NAME=value" sets a variable for this process and the programs it
// starts; an empty value removes it. No "=", an empty name or a zero byte
// raises error 5.
void environ_set(const str_desc* text);
