#pragma once
// The relational operators on strings: unsigned byte order, then length.
// They only read their operands (temporaries stay on temp_list).
#include <cstdint>

#include "runtime/strings/string_engine.h"

// -1 (true) or 0 (false).
int32_t str_equal(const str_desc* a, const str_desc* b);
int32_t str_not_equal(const str_desc* a, const str_desc* b);
int32_t str_less(const str_desc* a, const str_desc* b);
int32_t str_greater(const str_desc* a, const str_desc* b);
int32_t str_less_equal(const str_desc* a, const str_desc* b);
int32_t str_greater_equal(const str_desc* a, const str_desc* b);

// Three-way: -1, 0 or 1.
int32_t str_compare(const str_desc* a, const str_desc* b);
// The same with "A"-"Z" folded to "a"-"z" before each byte comparison.
int32_t str_compare_nocase(const str_desc* a, const str_desc* b);
