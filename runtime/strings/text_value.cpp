#include "runtime/strings/text_value.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "runtime/core/errors.h"

text_value_state value_state;

namespace {

// Integers that fit the fast path: at most this many digits, no fraction or exponent.
constexpr int32_t integer_path_digits = 18;
constexpr int32_t exponent_digit_limit = 18;

int digit_of_base(uint8_t c, int base) {
  int d;
  if (c >= '0' && c <= '9')
    d = c - '0';
  else if (c >= 'A' && c <= 'F')
    d = c - 'A' + 10;
  else if (c >= 'a' && c <= 'f')
    d = c - 'a' + 10;
  else
    return -1;
  return d < base ? d : -1;
}

// "&H", "&O" or "&B" and its digits; at is the index of the "&".
long double prefixed_integer(const uint8_t* chars, int64_t length, int64_t at) {
  if (length - at - 1 < 2) return 0;
  int base;
  switch (chars[at + 1]) {
    case 'H': case 'h': base = 16; break;
    case 'O': case 'o': base = 8; break;
    case 'B': case 'b': base = 2; break;
    default: return 0;
  }
  uint64_t value = 0;
  int64_t significant = 0;
  int first = 0;  // first significant digit
  for (int64_t i = at + 2; i < length; ++i) {
    const int d = digit_of_base(chars[i], base);
    if (d < 0) break;
    if (significant == 0 && d == 0) continue;
    if (significant == 0) first = d;
    ++significant;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
  }
  const bool too_long = (base == 16 && significant > 16) || (base == 2 && significant > 64) ||
                        (base == 8 && (significant > 22 || (significant == 22 && first > 1)));
  if (too_long) {
    raise_error(6);
    return 0;
  }
  return static_cast<long double>(static_cast<int64_t>(value));
}

void store_digit(text_value_state& st, uint8_t c) {
  if (st.digit_count < text_value_kept_digits) {
    st.digit_store[st.digit_count++] = static_cast<char>(c);
  } else if (c != '0') {
    st.digits_dropped = 1;
  }
}

// Step 3: the value of what the walk read.
long double finish(text_value_state& st) {
  if (st.digit_count == 0) return 0;
  if (st.exponent_value == 0 && st.digit_count == st.point_position && st.digit_count <= integer_path_digits) {
    const long double v = static_cast<long double>(st.integer_value);
    return st.negative ? -v : v;
  }
  if (st.digits_dropped) st.digit_store[st.digit_count++] = '1';
  const int64_t exponent = (st.exponent_negative ? -st.exponent_value : st.exponent_value) + st.point_position - 1;
  char* p = st.text;
  if (st.negative) *p++ = '-';
  *p++ = st.digit_store[0];
  if (st.digit_count > 1) {
    *p++ = '.';
    std::memcpy(p, st.digit_store + 1, static_cast<size_t>(st.digit_count - 1));
    p += st.digit_count - 1;
  }
  *p++ = 'E';
  p = std::to_chars(p, st.text + sizeof st.text - 1, exponent).ptr;
  *p = 0;
  return std::strtold(st.text, nullptr);
}

}  // namespace

long double text_value(const str_desc* s) {
  text_value_state& st = value_state;
  st.position = 0;
  st.parse_state = 0;
  st.negative = 0;
  st.exponent_negative = 0;
  st.digit_count = 0;
  st.digits_dropped = 0;
  st.point_position = 0;
  st.integer_value = 0;
  st.exponent_value = 0;
  st.exponent_digits = 0;
  if (s->len <= 0) return 0;

  const uint8_t* chars = s->chars;
  const int64_t length = s->len;
  for (; st.position < length; ++st.position) {
    const uint8_t c = chars[st.position];
    switch (c) {
      case ' ':
      case '\t':
        continue;
      case '&':
        if (st.parse_state != 0) return finish(st);
        return prefixed_integer(chars, length, st.position);
      case '+':
        if (st.parse_state == 0)
          st.parse_state = 1;
        else if (st.parse_state == 3)
          st.parse_state = 4;
        else
          return finish(st);
        continue;
      case '-':
        if (st.parse_state == 0) {
          st.negative = 1;
          st.parse_state = 1;
        } else if (st.parse_state == 3) {
          st.exponent_negative = 1;
          st.parse_state = 4;
        } else {
          return finish(st);
        }
        continue;
      case '.':
        if (st.parse_state > 1) return finish(st);
        st.parse_state = 2;
        continue;
      case 'D': case 'E': case 'd': case 'e':
        if (st.parse_state > 2) return finish(st);
        st.parse_state = 3;
        continue;
      default:
        break;
    }
    if (c < '0' || c > '9') return finish(st);
    if (st.parse_state <= 1) {
      st.parse_state = 1;
      if (c == '0' && st.digit_count == 0) continue;  // leading zero
      ++st.point_position;
      // Only the fast path reads the accumulator, and only up to 18 digits.
      if (st.digit_count < integer_path_digits) st.integer_value = st.integer_value * 10 + (c - '0');
      store_digit(st, c);
    } else if (st.parse_state == 2) {
      if (c == '0' && st.digit_count == 0) {
        --st.point_position;
        continue;
      }
      store_digit(st, c);
    } else {
      st.parse_state = 4;
      if (c == '0' && st.exponent_digits == 0) continue;
      if (st.exponent_digits == exponent_digit_limit) return finish(st);
      st.exponent_value = st.exponent_value * 10 + (c - '0');
      ++st.exponent_digits;
    }
  }
  return finish(st);
}
