#include "runtime/strings/string_compare.h"

#include <algorithm>
#include <cstring>

int32_t str_compare(const str_desc* a, const str_desc* b) {
  const int32_t common = std::min(a->len, b->len);
  if (common > 0) {
    const int c = std::memcmp(a->chars, b->chars, static_cast<size_t>(common));  // unsigned bytes
    if (c != 0) return c < 0 ? -1 : 1;
  }
  return a->len < b->len ? -1 : (a->len > b->len ? 1 : 0);
}

int32_t str_compare_nocase(const str_desc* a, const str_desc* b) {
  const int32_t common = std::min(a->len, b->len);
  for (int32_t i = 0; i < common; ++i) {
    uint8_t x = a->chars[i];
    uint8_t y = b->chars[i];
    if (x >= 'A' && x <= 'Z') x |= 0x20;
    if (y >= 'A' && y <= 'Z') y |= 0x20;
    if (x != y) return x < y ? -1 : 1;
  }
  return a->len < b->len ? -1 : (a->len > b->len ? 1 : 0);
}

int32_t str_equal(const str_desc* a, const str_desc* b) {
  if (a->len != b->len) return 0;
  return (a->len == 0 || std::memcmp(a->chars, b->chars, static_cast<size_t>(a->len)) == 0) ? -1 : 0;
}

int32_t str_not_equal(const str_desc* a, const str_desc* b) { return str_equal(a, b) ? 0 : -1; }
int32_t str_less(const str_desc* a, const str_desc* b) { return str_compare(a, b) < 0 ? -1 : 0; }
int32_t str_greater(const str_desc* a, const str_desc* b) { return str_compare(a, b) > 0 ? -1 : 0; }
int32_t str_less_equal(const str_desc* a, const str_desc* b) { return str_compare(a, b) <= 0 ? -1 : 0; }
int32_t str_greater_equal(const str_desc* a, const str_desc* b) { return str_compare(a, b) >= 0 ? -1 : 0; }
