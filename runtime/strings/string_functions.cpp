#include "runtime/strings/detail/string_state.h"
#include "runtime/strings/strings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "runtime/core/core.h"

namespace {

// A temporary heap string whose characters the result may take over.
bool reusable(const str_desc* s) { return s->temporary && !s->fixed && !s->read_only && !s->in_segment; }

// The n bytes of s from offset: s itself when that is all of it, s adjusted in
// place when reusable, otherwise a new temporary (releasing a temporary s).
str_desc* part_of(str_desc* s, int32_t offset, int32_t n) {
  if (offset == 0 && n == s->len) return s;
  if (reusable(s)) {
    s->chars += offset;
    s->len = n;
    return s;
  }
  str_desc* r = str_new(static_cast<uint32_t>(n), true);
  // Read s only now: making r may have compacted the heap under it.
  if (n > 0) std::memcpy(r->chars, s->chars + offset, static_cast<size_t>(n));
  if (s->temporary) str_free(s);
  return r;
}

// Sets (set_bit) or clears bit 5 of every byte from first to last.
str_desc* change_case(str_desc* s, uint8_t first, uint8_t last, bool set_bit) {
  if (s->len == 0) return s;
  str_desc* r = s;
  if (!reusable(s)) {
    r = str_new(static_cast<uint32_t>(s->len), true);
    std::memcpy(r->chars, s->chars, static_cast<size_t>(s->len));
    if (s->temporary) str_free(s);
  }
  for (int32_t i = 0; i < r->len; ++i) {
    const uint8_t c = r->chars[i];
    if (c >= first && c <= last) r->chars[i] = set_bit ? (c | 0x20) : (c & ~0x20);
  }
  return r;
}

str_desc* filled(int32_t n, uint8_t byte) {
  if (n < 0) n = 0;
  str_desc* r = str_new(static_cast<uint32_t>(n), true);
  if (n > 0) std::memset(r->chars, byte, static_cast<size_t>(n));
  return r;
}

str_desc* text_result(const char* text, int32_t length) {
  str_desc* r = str_new(static_cast<uint32_t>(length), true);
  std::memcpy(r->chars, text, static_cast<size_t>(length));
  return r;
}

// The local calendar time, or null (error 5 raised) when it is not available.
bool local_now(std::tm* out) {
  const std::time_t now = std::time(nullptr);
  if (now == static_cast<std::time_t>(-1) || localtime_r(&now, out) == nullptr) {
    raise_error(err_illegal_function_call);
    return false;
  }
  return true;
}

// The destination of MID$, LSET and RSET: never the permanent empty string
// nor text the runtime does not own.
bool writable(const str_desc* dest) { return dest != data_segment.empty_string && !dest->read_only; }

void release_source(str_desc* src, const str_desc* dest) {
  if (src != dest && src->temporary) str_free(src);
}

void set_field(str_desc* dest, str_desc* src, bool right) {
  if (error_report.pending.load() != 0) return;
  if (writable(dest) && dest->len > 0) {
    const int32_t n = std::min(src->len, dest->len);
    const int32_t pad = dest->len - n;
    uint8_t* at = dest->chars + (right ? pad : 0);
    if (n > 0) std::memmove(at, src->chars, static_cast<size_t>(n));
    if (pad > 0) std::memset(right ? dest->chars : dest->chars + n, ' ', static_cast<size_t>(pad));
    if (dest->field_link) field_written(dest);
  }
  release_source(src, dest);
}

}  // namespace

str_desc* str_left(str_desc* s, int32_t n) {
  n = std::clamp(n, 0, s->len);
  return part_of(s, 0, n);
}

str_desc* str_right(str_desc* s, int32_t n) {
  n = std::clamp(n, 0, s->len);
  return part_of(s, s->len - n, n);
}

str_desc* str_mid(str_desc* s, int32_t start, int32_t length, int32_t passed) {
  int64_t from = start;
  int64_t n;
  if (passed & 1) {
    n = length;
    if (from < 1) {
      n -= 1 - from;
      from = 1;
    }
    if (n < 1 || from > s->len) return part_of(s, 0, 0);
    n = std::min<int64_t>(n, s->len - from + 1);
  } else {
    if (from < 1) from = 1;
    if (from > s->len) return part_of(s, 0, 0);
    n = s->len - from + 1;
  }
  return part_of(s, static_cast<int32_t>(from - 1), static_cast<int32_t>(n));
}

str_desc* str_ltrim(str_desc* s) {
  int32_t i = 0;
  while (i < s->len && s->chars[i] == ' ') ++i;
  return part_of(s, i, s->len - i);
}

str_desc* str_rtrim(str_desc* s) {
  int32_t n = s->len;
  while (n > 0 && s->chars[n - 1] == ' ') --n;
  return part_of(s, 0, n);
}

str_desc* str_ucase(str_desc* s) { return change_case(s, 'a', 'z', false); }
str_desc* str_lcase(str_desc* s) { return change_case(s, 'A', 'Z', true); }

str_desc* str_chr(int32_t code) {
  if (code < 0 || code > 255) {
    raise_error(err_illegal_function_call);
    return str_new(0, true);
  }
  return filled(1, static_cast<uint8_t>(code));
}

str_desc* str_space(int32_t n) { return filled(n, ' '); }
str_desc* str_string(int32_t n, int32_t code) { return filled(n, static_cast<uint8_t>(code)); }

str_desc* str_date() {
  std::tm t;
  if (!local_now(&t)) return str_new(0, true);
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%02d-%02d-%04d", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
  return text_result(text, n);
}

str_desc* str_time() {
  std::tm t;
  if (!local_now(&t)) return str_new(0, true);
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
  return text_result(text, n);
}

int32_t str_len(const str_desc* s) { return s->len; }

int32_t str_asc(const str_desc* s) { return str_asc_at(s, 1); }

int32_t str_asc_at(const str_desc* s, int32_t position) {
  if (position < 1 || position > s->len) {
    raise_error(err_illegal_function_call);
    return 0;
  }
  return s->chars[position - 1];
}

int32_t str_instr(int32_t start, const str_desc* s, const str_desc* search, int32_t passed) {
  if (!(passed & 1)) start = 1;
  if (s->len == 0) return 0;
  if (start <= 0) {
    if (search->len == 0) return 0;
    start = 1;
  }
  if (start > s->len) return 0;
  if (search->len == 0) return start;
  if (search->len > s->len - start + 1) return 0;
  const uint8_t* base = s->chars;
  const uint8_t* p = base + start - 1;
  // The last place where the whole of search still fits.
  const uint8_t* last = base + (s->len - search->len);
  const uint8_t first = search->chars[0];
  const size_t rest = static_cast<size_t>(search->len - 1);
  while (p <= last) {
    p = static_cast<const uint8_t*>(std::memchr(p, first, static_cast<size_t>(last - p) + 1));
    if (p == nullptr) return 0;
    if (std::memcmp(p + 1, search->chars + 1, rest) == 0) return static_cast<int32_t>(p - base) + 1;
    ++p;
  }
  return 0;
}

void str_mid_statement(str_desc* dest, int32_t start, int32_t length, str_desc* src, int32_t passed) {
  if (error_report.pending.load() != 0) return;
  int64_t n = (passed & 1) ? length : src->len;
  int64_t at = start;
  int64_t skip = 0;
  if (at <= 0) {
    skip = 1 - at;
    n -= skip;
    at = 1;
  }
  if (writable(dest) && n > 0 && at <= dest->len && skip < src->len) {
    n = std::min<int64_t>(n, dest->len - at + 1);
    n = std::min<int64_t>(n, src->len - skip);
    uint8_t* to = dest->chars + (at - 1);
    const uint8_t* from = src->chars + skip;
    if (to != from) std::memmove(to, from, static_cast<size_t>(n));
  }
  release_source(src, dest);
}

void str_lset(str_desc* dest, str_desc* src) { set_field(dest, src, false); }
void str_rset(str_desc* dest, str_desc* src) { set_field(dest, src, true); }

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
