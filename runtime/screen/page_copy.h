#pragma once
// PCOPY: copies one page or image onto another of the same shape.
#include <cstdint>

void page_copy(int64_t from, int64_t to);
