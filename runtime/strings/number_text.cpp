#include "runtime/strings/detail/string_state.h"
#include "runtime/strings/strings.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "runtime/core/core.h"

namespace {

// --- integers: "% i" for signed types, " %u" for unsigned ones ---

template <typename T>
str_desc* integer_text(T v, uint32_t capacity) {
  str_desc* r = str_new(capacity, true);
  char* out = reinterpret_cast<char*>(r->chars);
  char* first = out;
  if (v >= 0) *first++ = ' ';
  const auto written = std::to_chars(first, out + capacity, v);
  r->len = static_cast<int32_t>(written.ptr - out);
  return r;
}

// --- floating point ---

// How a floating type prints: significant digits, the exponent letter, and the
// bounds of the plain form (exponent form when e >= digits or e - count < -small_limit).
struct float_style {
  int digits;
  int small_limit;
  char letter;
};
constexpr float_style single_style{7, 8, 'E'};
constexpr float_style double_style{16, 17, 'D'};

// The significant digits of x >= 0 correctly rounded to `precision` + 1 digits
// (as "%.*E" gives them), written to digits; returns the decimal exponent.
int scientific_digits(double x, int precision, char* digits) {
  char text[40];
  const auto written =
      std::to_chars(text, text + sizeof text, x, std::chars_format::scientific, precision);
  // text: "d.ddd...e+XX" ("de+XX" with precision 0)
  digits[0] = text[0];
  const char* p = text + 1;
  if (precision > 0) {
    std::memcpy(digits + 1, text + 2, static_cast<size_t>(precision));
    p = text + 2 + precision;
  }
  int exponent = 0;
  for (const char* q = p + 2; q < written.ptr; ++q) exponent = exponent * 10 + (*q - '0');
  return p[1] == '-' ? -exponent : exponent;
}

// Writes the text of x in the given style to out; returns its length.
int32_t float_text(char* out, double x, const float_style& style) {
  const char sign = std::signbit(x) ? '-' : ' ';
  if (!std::isfinite(x)) {
    out[0] = sign;
    std::memcpy(out + 1, std::isnan(x) ? "NAN" : "INF", 3);
    return 4;
  }
  const double magnitude = std::fabs(x);
  char full_digits[20];  // rounded to the type's digits
  const int full_e = scientific_digits(magnitude, style.digits - 1, full_digits);
  char digits[20];
  int e = full_e;
  std::memcpy(digits, full_digits, static_cast<size_t>(style.digits));
  const bool rounded_to_15 = style.digits == double_style.digits && full_digits[15] == '9';
  if (rounded_to_15) {
    // A sixteenth digit of 9 is taken as noise of the binary fraction: the
    // value is rounded to 15 digits instead (434.99999999999994 prints 435).
    e = scientific_digits(magnitude, 14, digits);
    digits[15] = '0';
  }
  int count = style.digits;
  while (count > 0 && digits[count - 1] == '0') --count;
  if (count == 0) {
    out[0] = ' ';
    out[1] = '0';
    return 2;
  }

  char* p = out;
  if (e >= style.digits || e - count < -style.small_limit) {
    // Exponent form: the point only when there is more than one digit.
    *p++ = sign;
    *p++ = digits[0];
    if (count > 1) {
      *p++ = '.';
      std::memcpy(p, digits + 1, static_cast<size_t>(count - 1));
      p += count - 1;
    }
    *p++ = style.letter;
    *p++ = e < 0 ? '-' : '+';
    const int a = e < 0 ? -e : e;
    if (a >= 100) *p++ = static_cast<char>('0' + a / 100);
    *p++ = static_cast<char>('0' + a / 10 % 10);
    *p++ = static_cast<char>('0' + a % 10);
    return static_cast<int32_t>(p - out);
  }

  // Plain form. Rounding the value to the decimals this form shows gives the
  // same digits as the rounding above (the rounded value is the nearest number
  // with that many digits), so they are placed around the point directly.
  // One exception: with 16 integer digits the plain form shows the units of
  // the value itself, rounded to 16 digits, even where 15 were counted.
  *p++ = sign;
  if (e >= 0) {
    if (rounded_to_15 && e == 15 && full_e == 15) {
      std::memcpy(p, full_digits, 16);
      return static_cast<int32_t>(p + 16 - out);
    }
    for (int i = 0; i <= e; ++i) *p++ = i < count ? digits[i] : '0';
    if (count > e + 1) {
      *p++ = '.';
      std::memcpy(p, digits + e + 1, static_cast<size_t>(count - e - 1));
      p += count - e - 1;
    }
  } else {
    *p++ = '.';  // no "0" before the point
    for (int i = 0; i < -e - 1; ++i) *p++ = '0';
    std::memcpy(p, digits, static_cast<size_t>(count));
    p += count;
  }
  return static_cast<int32_t>(p - out);
}

str_desc* float_result(double x, uint32_t capacity, const float_style& style) {
  str_desc* r = str_new(capacity, true);
  r->len = float_text(reinterpret_cast<char*>(r->chars), x, style);
  return r;
}

// Fills r with the given text.
str_desc* text_result(const char* text, int32_t length, uint32_t capacity) {
  str_desc* r = str_new(capacity, true);
  std::memcpy(r->chars, text, static_cast<size_t>(length));
  r->len = length;
  return r;
}

}  // namespace

str_desc* text_of_int8(int8_t v) { return integer_text<int32_t>(v, 4); }
str_desc* text_of_int16(int16_t v) { return integer_text<int32_t>(v, 6); }
str_desc* text_of_int32(int32_t v) { return integer_text<int32_t>(v, 11); }
str_desc* text_of_int64(int64_t v) { return integer_text<int64_t>(v, 20); }
str_desc* text_of_uint8(uint8_t v) { return integer_text<uint32_t>(v, 4); }
str_desc* text_of_uint16(uint16_t v) { return integer_text<uint32_t>(v, 6); }
str_desc* text_of_uint32(uint32_t v) { return integer_text<uint32_t>(v, 11); }
str_desc* text_of_uint64(uint64_t v) { return integer_text<uint64_t>(v, 21); }

str_desc* text_of_single(float x) { return float_result(x, 16, single_style); }
str_desc* text_of_double(double x) { return float_result(x, 32, double_style); }
str_desc* text_of_extended(long double x) { return text_of_double(static_cast<double>(x)); }

str_desc* hex_text(int64_t v, int32_t width) {
  const uint64_t u = static_cast<uint64_t>(v);
  char nibbles[16];
  for (int i = 0; i < 16; ++i) nibbles[15 - i] = "0123456789ABCDEF"[(u >> (4 * i)) & 15];
  int length;
  if (v >= 0) {
    length = 1;  // "0" for zero
    for (int i = 15; i > 0; --i)
      if ((u >> (4 * i)) & 15) {
        length = i + 1;
        break;
      }
  } else {
    // The fewest low digits that still read as negative: everything above them
    // is F and their top digit has its high bit set.
    int needed = 16;
    for (int n = 1; n < 16; ++n)
      if ((v >> (4 * n)) == -1 && ((u >> (4 * (n - 1))) & 8)) {
        needed = n;
        break;
      }
    if (needed <= width)
      length = width;
    else
      length = needed <= 4 ? 4 : (needed <= 8 ? 8 : 16);
  }
  return text_result(nibbles + 16 - length, length, 16);
}

str_desc* oct_text(int64_t v, int32_t bits) {
  const uint64_t u = static_cast<uint64_t>(v);
  int bit_count;
  if (v >= 0) {
    bit_count = u == 0 ? 1 : 64 - std::countl_zero(u);
  } else {
    const int highest_clear = 63 - std::countl_zero(~u);  // -1 when every bit is set
    bit_count = bits;
    if (highest_clear >= bits) bit_count = highest_clear <= 15 ? 16 : (highest_clear < 32 ? 32 : 64);
  }
  const uint64_t shown = bit_count < 64 ? u & ((uint64_t{1} << bit_count) - 1) : u;
  const int length = (bit_count + 2) / 3;
  char digits[22];
  for (int i = 0; i < length; ++i) digits[length - 1 - i] = static_cast<char>('0' + ((shown >> (3 * i)) & 7));
  return text_result(digits, length, 22);
}

namespace {

// The float rounded to a 64-bit integer (ties to even) for HEX$ and OCT$; false
// (error 6 raised) outside the range of int64 and for values that are not numbers.
bool float_to_integer(long double x, int64_t* v) {
  constexpr long double limit = 9223372036854775808.0L;  // 2^63
  // Checked after rounding: 2^63 - 0.5 rounds up to 2^63, which no int64 holds.
  const long double rounded = std::nearbyint(x);
  if (!(rounded < limit && rounded > -limit)) {
    raise_error(err_overflow);
    return false;
  }
  *v = static_cast<int64_t>(rounded);
  return true;
}

}  // namespace

str_desc* hex_text_of_float(long double x) {
  int64_t v;
  if (!float_to_integer(x, &v)) return str_new(0, true);
  return hex_text(v, 8);
}

str_desc* oct_text_of_float(long double x) {
  int64_t v;
  if (!float_to_integer(x, &v)) return str_new(0, true);
  return oct_text(v, 32);
}

namespace {
// VAL's parse state, private to this file and set afresh by every call.
text_value_state value_state;

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
    raise_error(err_overflow);
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

// The value of the digits, point and exponent read so far: short integers
// exactly from the accumulator, everything else through one decimal scan of a
// normalised text, so that the rounding is the C library's.
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
  st.parse_state = val_nothing_yet;
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
        if (st.parse_state != val_nothing_yet) return finish(st);
        return prefixed_integer(chars, length, st.position);
      case '+':
        if (st.parse_state == val_nothing_yet)
          st.parse_state = val_integer_part;
        else if (st.parse_state == val_after_exponent_letter)
          st.parse_state = val_in_exponent;
        else
          return finish(st);
        continue;
      case '-':
        if (st.parse_state == val_nothing_yet) {
          st.negative = 1;
          st.parse_state = val_integer_part;
        } else if (st.parse_state == val_after_exponent_letter) {
          st.exponent_negative = 1;
          st.parse_state = val_in_exponent;
        } else {
          return finish(st);
        }
        continue;
      case '.':
        if (st.parse_state > val_integer_part) return finish(st);
        st.parse_state = val_after_point;
        continue;
      case 'D': case 'E': case 'd': case 'e':
        if (st.parse_state > val_after_point) return finish(st);
        st.parse_state = val_after_exponent_letter;
        continue;
      default:
        break;
    }
    if (c < '0' || c > '9') return finish(st);
    if (st.parse_state <= val_integer_part) {
      st.parse_state = val_integer_part;
      if (c == '0' && st.digit_count == 0) continue;  // leading zero
      ++st.point_position;
      // Only the fast path reads the accumulator, and only up to 18 digits.
      if (st.digit_count < integer_path_digits) st.integer_value = st.integer_value * 10 + (c - '0');
      store_digit(st, c);
    } else if (st.parse_state == val_after_point) {
      if (c == '0' && st.digit_count == 0) {
        --st.point_position;
        continue;
      }
      store_digit(st, c);
    } else {
      st.parse_state = val_in_exponent;
      if (c == '0' && st.exponent_digits == 0) continue;
      if (st.exponent_digits == exponent_digit_limit) return finish(st);
      st.exponent_value = st.exponent_value * 10 + (c - '0');
      ++st.exponent_digits;
    }
  }
  return finish(st);
}
