#include "runtime/strings/detail/string_state.h"
#include "runtime/strings/strings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/core/core.h"

using_digits_state using_digits{{'0'}, 1, 0, 0, 'E'};

namespace {

// A numeric field as read from the format.
struct numeric_field {
  uint8_t leading_plus;
  uint8_t dollar;
  uint8_t star_fill;
  int64_t before;  // digit positions before the point (commas included)
  int64_t after;   // digit positions after the point
  uint8_t comma;
  uint8_t point;
  uint8_t trailing_plus;
  uint8_t trailing_minus;
  int32_t exponent_digits;  // 0 fixed notation, 2 "^^^^", 3 "^^^^^"
  int32_t read_state;       // 0 start, 1 after "+", 2 before the point, 3 after it, 4 after the exponent
};

// What the call appends to the output, flushed into it once at the end.
std::string appended;

// The text the C library writes for a floating value.
char float_text[320];

bool at(const uint8_t* f, int64_t length, int64_t i, const char* pattern) {
  const int64_t n = static_cast<int64_t>(std::strlen(pattern));
  return i + n <= length && std::memcmp(f + i, pattern, static_cast<size_t>(n)) == 0;
}

// Reads a numeric field at i; returns the index after it. The field is one
// when read_state reached 2 and before or after is not zero.
int64_t read_numeric_field(const uint8_t* f, int64_t length, int64_t i, numeric_field* field) {
  numeric_field& d = *field;
  d = numeric_field{};
  while (i < length) {
    const uint8_t c = f[i];
    const int32_t s = d.read_state;
    if (s >= 2 && (c == '+' || c == '-')) {
      (c == '+' ? d.trailing_plus : d.trailing_minus) = 1;
      return i + 1;
    }
    if ((s == 2 || s == 3) && c == '^') {
      if (at(f, length, i, "^^^^^")) {
        d.exponent_digits = 3;
        d.read_state = 4;
        i += 5;
        continue;
      }
      if (at(f, length, i, "^^^^")) {
        d.exponent_digits = 2;
        d.read_state = 4;
        i += 4;
        continue;
      }
      break;
    }
    if (s == 3 && c == '#') {
      ++d.after;
    } else if (s == 2 && c == ',') {
      d.comma = 1;
      ++d.before;
    } else if (s <= 2 && c == '#') {
      ++d.before;
      d.read_state = 2;
    } else if (s <= 2 && c == '.') {
      d.point = 1;
      d.read_state = 3;
    } else if (s <= 1 && at(f, length, i, "**$")) {
      d.star_fill = d.dollar = 1;
      d.before = 2;
      d.read_state = 2;
      i += 3;
      continue;
    } else if (s <= 1 && at(f, length, i, "**")) {
      d.star_fill = 1;
      d.before = 2;
      d.read_state = 2;
      i += 2;
      continue;
    } else if (s <= 1 && at(f, length, i, "$$")) {
      d.dollar = 1;
      d.before = 1;
      d.read_state = 2;
      i += 2;
      continue;
    } else if (s == 0 && c == '+') {
      d.leading_plus = 1;
      d.read_state = 1;
    } else {
      break;
    }
    ++i;
  }
  return i;
}

// The width of a string field at i ("&": -1 for the whole string), or 0.
int64_t string_field_width(const uint8_t* f, int64_t length, int64_t i) {
  if (f[i] == '&') return -1;
  if (f[i] == '!') return 1;
  if (f[i] != '\\') return 0;
  int64_t j = i + 1;
  while (j < length && f[j] == ' ') ++j;
  return j < length && f[j] == '\\' ? j - i + 1 : 0;
}

bool value_is_zero() { return using_digits.count == 1 && using_digits.digits[0] == '0'; }

// Rounds half up in magnitude, keeping the first `kept` digits: when the next
// digit is 5 or more, one is added at the last kept place (a carry past the
// first digit puts a new "1" in front). kept may be 0: the rounding digit is
// then the first one.
void round_digits(int64_t kept) {
  using_digits_state& d = using_digits;
  if (kept < 0 || kept >= d.count || d.digits[kept] < '5') return;
  d.exponent += static_cast<int32_t>(d.count - kept);
  d.count = static_cast<int32_t>(kept);
  int32_t i = d.count - 1;
  while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
  if (i >= 0) {
    ++d.digits[i];
  } else {
    std::memmove(d.digits + 1, d.digits, static_cast<size_t>(d.count));
    d.digits[0] = '1';
    ++d.count;
  }
}

char digit_at(int64_t index) {
  return index >= 0 && index < using_digits.count ? using_digits.digits[index] : '0';
}

void append_repeated(char c, int64_t n) {
  if (n > 0) appended.append(static_cast<size_t>(n), c);
}

void append_trailing_sign(const numeric_field& f, bool negative) {
  if (f.trailing_plus) appended += negative ? '-' : '+';
  if (f.trailing_minus) appended += negative ? '-' : ' ';
}

void format_fixed(const numeric_field& f) {
  round_digits(int64_t{using_digits.count} + using_digits.exponent + f.after);
  const using_digits_state& d = using_digits;
  const bool negative = d.negative != 0;
  const bool sign_in_field = negative && !f.leading_plus && !f.trailing_plus && !f.trailing_minus;
  const int64_t before = f.before - (sign_in_field ? 1 : 0);
  int64_t width = before;
  const int64_t positions = f.comma ? before - before / 4 : before;
  // Position of the point in the digit string (negative: zeros after the point come first).
  const int64_t integer_count = (before == 0 && value_is_zero()) ? 0 : int64_t{d.count} + d.exponent;
  const int64_t integer_digits = std::max<int64_t>(integer_count, 0);
  const bool overflow = integer_digits > positions;
  if (overflow) width = f.comma ? (integer_digits - 1) / 3 + integer_digits : integer_digits;
  const int64_t commas = f.comma && integer_digits > 0 ? (integer_digits - 1) / 3 : 0;
  int64_t padding = std::max<int64_t>(width - integer_digits - commas, 0);
  const bool zero_before_point = integer_digits == 0 && padding >= 1;
  if (zero_before_point) --padding;

  if (overflow) appended += '%';
  if (f.leading_plus) appended += negative ? '-' : '+';
  append_repeated(f.star_fill ? '*' : ' ', padding);
  if (sign_in_field) appended += '-';
  if (f.dollar) appended += '$';
  if (zero_before_point) appended += '0';
  for (int64_t i = 0; i < integer_digits; ++i) {
    if (f.comma && i > 0 && (integer_digits - i) % 3 == 0) appended += ',';
    appended += digit_at(i);
  }
  if (f.point) appended += '.';
  for (int64_t j = 0; j < f.after; ++j) appended += digit_at(integer_count + j);
  append_trailing_sign(f, negative);
}

void format_exponent(const numeric_field& f) {
  const bool negative = using_digits.negative != 0;
  const bool sign_reserved = !f.leading_plus && !f.trailing_plus && !f.trailing_minus;
  int64_t before = f.before;
  int64_t after = f.after;
  bool point = f.point != 0;
  bool overflow = false;
  bool sign_position = sign_reserved;
  char sign_char = negative ? '-' : ' ';
  if (sign_reserved) {
    --before;
    if (before == -1) {
      before = 0;
      if (--after == 0) {
        point = false;
        before = 1;
      }
    }
    if (!negative && before == 0) {
      // The sign position is not needed: a digit, or a "0" in front of the point.
      if (after > 0) {
        sign_char = '0';
      } else {
        before = 1;
        sign_position = false;
      }
    }
  }
  if (before == 0 && after == 0) {
    overflow = true;
    before = 1;
  }

  round_digits(before + after);
  const using_digits_state& d = using_digits;
  const bool zero = value_is_zero();
  const int64_t first_exponent = int64_t{d.count} + d.exponent - 1;  // of the first digit
  const int64_t shown = zero ? 0 : first_exponent - (before - 1);
  char exponent_text[24];
  const uint64_t magnitude = shown < 0 ? static_cast<uint64_t>(-shown) : static_cast<uint64_t>(shown);
  const int exponent_length = static_cast<int>(std::to_chars(exponent_text, exponent_text + sizeof exponent_text, magnitude).ptr - exponent_text);
  if (exponent_length > f.exponent_digits) overflow = true;

  if (overflow) appended += '%';
  if (f.leading_plus) appended += negative ? '-' : '+';
  if (f.dollar) appended += '$';
  if (sign_position) appended += sign_char;
  for (int64_t i = 0; i < before; ++i) appended += digit_at(i);
  if (point) appended += '.';
  for (int64_t j = 0; j < after; ++j) appended += digit_at(before + j);
  appended += d.letter;
  appended += shown < 0 ? '-' : '+';
  append_repeated('0', f.exponent_digits - exponent_length);
  appended.append(exponent_text, static_cast<size_t>(exponent_length));
  append_trailing_sign(f, negative);
}

// Appends what the call built to output and returns position.
int32_t finish(str_desc* output, int64_t position) {
  if (!appended.empty()) {
    const size_t n = appended.size();
    const size_t total = static_cast<size_t>(output->len) + n;
    str_desc* sum = str_new(static_cast<uint32_t>(std::min<size_t>(total, INT32_MAX)), true);
    // Read output only now: making sum may have moved its characters.
    if (output->len > 0) std::memcpy(sum->chars, output->chars, static_cast<size_t>(output->len));
    std::memcpy(sum->chars + output->len, appended.data(), static_cast<size_t>(sum->len - output->len));
    str_assign(output, sum);
    appended.clear();
  }
  return static_cast<int32_t>(position);
}

int32_t fail(str_desc* output, int32_t error) {
  raise_error(error);
  return finish(output, 0);
}

// Zero, negative zero included, is the digit "0" and not negative.
void normalise_digits() {
  using_digits_state& d = using_digits;
  int32_t zeros = 0;
  while (zeros < d.count && d.digits[zeros] == '0') ++zeros;
  if (zeros == d.count) {
    d.digits[0] = '0';
    d.count = 1;
    d.exponent = 0;
    d.negative = 0;
    return;
  }
  if (zeros > 0) {
    std::memmove(d.digits, d.digits + zeros, static_cast<size_t>(d.count - zeros));
    d.count -= zeros;
  }
}

void integer_digits(uint64_t magnitude, bool negative) {
  using_digits_state& d = using_digits;
  d.count = static_cast<int32_t>(std::to_chars(d.digits, d.digits + using_digit_capacity, magnitude).ptr - d.digits);
  d.exponent = 0;
  d.negative = negative;
}

// The digits of the C library's exponent text in float_text: sign position,
// digits, optional point and digits, the letter, an optional sign and digits.
// False for any other text (infinities and not-a-number among them).
bool read_exponent_text() {
  using_digits_state& d = using_digits;
  const char* p = float_text;
  d.negative = *p == '-';
  ++p;
  d.count = 0;
  int64_t exponent = 0;
  bool point = false;
  for (;; ++p) {
    if (*p == '.' && !point) {
      point = true;
      continue;
    }
    if (*p < '0' || *p > '9') break;
    if (d.count == using_digit_capacity) return false;
    d.digits[d.count++] = *p;
    if (point) --exponent;
  }
  if (d.count == 0 || (*p != 'E' && *p != 'e')) return false;
  ++p;
  const bool exponent_negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  if (*p < '0' || *p > '9') return false;
  int64_t e = 0;
  for (; *p >= '0' && *p <= '9'; ++p) e = std::min<int64_t>(e * 10 + (*p - '0'), 1000000);
  if (*p != 0) return false;
  d.exponent = static_cast<int32_t>(exponent + (exponent_negative ? -e : e));
  normalise_digits();
  return true;
}

// The text "% .255E" gives for x: the same correctly rounded digits, written by
// std::to_chars, which is several times faster than the formatted print.
void exponent_text_of(double x) {
  float_text[0] = std::signbit(x) ? '-' : ' ';
  const auto written = std::to_chars(float_text + 1, float_text + sizeof float_text - 1, std::fabs(x),
                                     std::chars_format::scientific, 255);
  *written.ptr = 0;
}

int32_t using_float(const str_desc* format, int32_t start, str_desc* output, char letter) {
  if (!read_exponent_text()) {
    raise_error(err_illegal_function_call);
    return 0;
  }
  using_digits.letter = letter;
  const int32_t next = using_field(format, start, output, nullptr);
  using_digits.letter = 'E';
  return next;
}

}  // namespace

int32_t using_field(const str_desc* format, int32_t start, str_desc* output, const str_desc* value) {
  if (error_report.pending.load() != 0) return 0;
  appended.clear();
  const uint8_t* f = format->chars;
  const int64_t length = format->len;
  int64_t pos = (start < 0 || start > length) ? 0 : start;
  bool scanned_from_start = pos == 0;
  bool placed = false;
  for (;;) {
    if (pos >= length) {
      if (placed) return finish(output, 0);
      if (scanned_from_start) return fail(output, err_illegal_function_call);  // no field in the whole format
      pos = 0;
      scanned_from_start = true;
      continue;
    }
    numeric_field field;
    const int64_t field_end = read_numeric_field(f, length, pos, &field);
    if (field.read_state >= 2 && (field.before != 0 || field.after != 0)) {
      if (placed) return finish(output, pos);
      if (value != nullptr) return fail(output, err_type_mismatch);
      if (field.exponent_digits == 0)
        format_fixed(field);
      else
        format_exponent(field);
      placed = true;
      pos = field_end;
      if (pos >= length) return finish(output, 0);
      continue;
    }
    const int64_t width = string_field_width(f, length, pos);
    if (width != 0) {
      if (placed) return finish(output, pos);
      if (value == nullptr) return fail(output, err_type_mismatch);
      const int64_t n = width < 0 ? value->len : std::min<int64_t>(width, value->len);
      appended.append(reinterpret_cast<const char*>(value->chars), static_cast<size_t>(n));
      if (width > n) append_repeated(' ', width - n);
      placed = true;
      pos += width < 0 ? 1 : width;
      if (pos >= length) return finish(output, 0);
      continue;
    }
    if (f[pos] == '_' && pos + 1 < length) ++pos;
    appended += static_cast<char>(f[pos]);
    ++pos;
  }
}

int32_t using_int64(const str_desc* format, int64_t value, int32_t start, str_desc* output) {
  if (error_report.pending.load() != 0) return 0;
  const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  integer_digits(magnitude, value < 0);
  return using_field(format, start, output, nullptr);
}

int32_t using_uint64(const str_desc* format, uint64_t value, int32_t start, str_desc* output) {
  if (error_report.pending.load() != 0) return 0;
  integer_digits(value, false);
  return using_field(format, start, output, nullptr);
}

int32_t using_single(const str_desc* format, float value, int32_t start, str_desc* output) {
  if (error_report.pending.load() != 0) return 0;
  exponent_text_of(static_cast<double>(value));
  return using_float(format, start, output, 'E');
}

int32_t using_double(const str_desc* format, double value, int32_t start, str_desc* output) {
  if (error_report.pending.load() != 0) return 0;
  exponent_text_of(value);
  return using_float(format, start, output, 'D');
}

int32_t using_extended(const str_desc* format, long double value, int32_t start, str_desc* output) {
  if (error_report.pending.load() != 0) return 0;
  std::snprintf(float_text, sizeof float_text, "% .255LE", value);
  return using_float(format, start, output, 'F');
}
