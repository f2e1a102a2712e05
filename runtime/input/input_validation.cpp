#include "runtime/input/input.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/input/detail/input_internals.h"
#include "runtime/strings/strings.h"

namespace {

uint32_t size_of(uint32_t type_word) { return type_word & input_size_bits; }

bool is_digit(uint8_t c) { return c >= '0' && c <= '9'; }

int32_t hex_digit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void put_bytes(input_value* value, uint64_t bits) {
  for (int32_t i = 0; i < 8; ++i) value->bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
}

// "&", "&H..." or "&O...": digits of the base only, no leading zero, at most
// 16 hexadecimal or 22 octal digits (the 22nd only after a first digit of 1).
bool check_prefixed(const uint8_t* t, int32_t n, uint64_t* out) {
  *out = 0;
  if (n == 1) return true;
  const uint8_t letter = t[1];
  const bool hex = letter == 'H' || letter == 'h';
  if (!hex && letter != 'O' && letter != 'o') return false;
  const int32_t digits = n - 2;
  if (digits == 0) return true;
  if (t[2] == '0') return false;
  if (hex ? digits > 16 : digits > 22) return false;
  if (!hex && digits == 22 && t[2] != '1') return false;
  uint64_t v = 0;
  for (int32_t i = 2; i < n; ++i) {
    const int32_t d = hex ? hex_digit(t[i]) : (t[i] >= '0' && t[i] <= '7' ? t[i] - '0' : -1);
    if (d < 0) return false;
    v = hex ? (v << 4) | static_cast<uint64_t>(d) : (v << 3) | static_cast<uint64_t>(d);
  }
  *out = v;
  return true;
}

bool check_integer(uint32_t type_word, const uint8_t* t, int32_t n, input_value* value) {
  const uint32_t bits = size_of(type_word);
  const bool is_unsigned = (type_word & input_unsigned) != 0;
  uint64_t raw = 0;
  if (n > 0 && t[0] == '&') {
    if (!check_prefixed(t, n, &raw)) return false;
    if (bits < 64 && (raw >> bits) != 0) return false;
  } else {
    int32_t i = 0;
    const bool negative = n > 0 && t[0] == '-';
    if (negative) {
      if (is_unsigned) return false;
      i = 1;
    }
    if (n - i > 1 && t[i] == '0') return false;  // a 0 only as the whole number
    const uint64_t limit = is_unsigned ? (bits == 64 ? UINT64_MAX : (uint64_t{1} << bits) - 1)
                                       : (uint64_t{1} << (bits - 1)) - (negative ? 0 : 1);
    uint64_t v = 0;
    for (; i < n; ++i) {
      if (!is_digit(t[i])) return false;
      const uint64_t d = t[i] - '0';
      if (v > (limit - d) / 10) return false;
      v = v * 10 + d;
    }
    raw = negative ? 0 - v : v;
  }
  if (value) put_bytes(value, raw);
  return true;
}

// Limits of one floating-point type: significant digits, the largest decimal
// position of the leading digit, and the leading digits of the largest value.
struct float_limits {
  int32_t digits;
  int32_t max_position;
  const char* max_leading;
};

bool check_float(uint32_t type_word, const uint8_t* t, int32_t n, input_value* value) {
  const uint32_t bits = size_of(type_word);
  const float_limits limits = bits == 32   ? float_limits{8, 39, "3402823"}
                              : bits == 64 ? float_limits{16, 309, "17976931"}
                                           : float_limits{19, 4933, "1189731495357231765"};
  long double result = 0;
  if (n > 0 && t[0] == '&') {
    uint64_t raw = 0;
    if (!check_prefixed(t, n, &raw)) return false;
    result = static_cast<long double>(raw);
  } else {
    char digits[input_line_max + 1];  // significant digits, leading zeros dropped
    int32_t count = 0;
    int32_t position = 0;  // decimal position of the leading digit (value = 0.ddd x 10^position)
    bool any_digit = false, point = false, exponent = false, exponent_negative = false;
    int32_t exponent_start = -1;
    int64_t exponent_value = 0;
    int32_t i = 0;
    const bool negative = n > 0 && t[0] == '-';
    if (negative) i = 1;
    for (; i < n; ++i) {
      const uint8_t c = t[i];
      if (exponent) {
        if ((c == '-' || c == '+') && i == exponent_start) {
          exponent_negative = c == '-';
          continue;
        }
        if (!is_digit(c)) return false;
        // Far beyond every type's range; only a zero mantissa can still be valid.
        if (exponent_value < 1000000) exponent_value = exponent_value * 10 + (c - '0');
        continue;
      }
      if (is_digit(c)) {
        any_digit = true;
        if (count == 0 && c == '0') {
          if (point) --position;
          continue;
        }
        if (count == limits.digits) return false;
        digits[count++] = static_cast<char>(c);
        if (!point) ++position;
        continue;
      }
      if (c == '.') {
        if (point) return false;
        point = true;
        continue;
      }
      if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
        if (!any_digit) return false;
        if ((c == 'D' || c == 'd') && bits == 32) return false;
        exponent = true;
        exponent_start = i + 1;
        continue;
      }
      return false;
    }
    if (count > 0) {
      const int64_t leading = position + (exponent_negative ? -exponent_value : exponent_value);
      if (leading > limits.max_position) return false;
      if (leading == limits.max_position) {
        for (int32_t k = 0; k < count && limits.max_leading[k] != 0; ++k) {
          if (digits[k] > limits.max_leading[k]) return false;
          if (digits[k] < limits.max_leading[k]) break;
        }
      }
      if (leading < -limits.max_position - 30) return false;  // far below the smallest value of every type
      char text[input_line_max + 32];
      std::snprintf(text, sizeof text, "%s0.%.*se%lld", negative ? "-" : "", count, digits,
                    static_cast<long long>(leading));
      // Each type's own conversion, so the value is rounded once, to that type.
      if (bits == 32) {
        const float f = std::strtof(text, nullptr);
        if (std::isinf(f) || f == 0) return false;
        result = f;
      } else if (bits == 64) {
        const double d = std::strtod(text, nullptr);
        if (std::isinf(d) || d == 0) return false;
        result = d;
      } else {
        result = std::strtold(text, nullptr);
        if (std::isinf(result) || result == 0) return false;
      }
    }
  }
  if (value) {
    std::memset(value->bytes, 0, sizeof value->bytes);
    if (bits == 32) {
      const float f = static_cast<float>(result);
      std::memcpy(value->bytes, &f, sizeof f);
    } else if (bits == 64) {
      const double d = static_cast<double>(result);
      std::memcpy(value->bytes, &d, sizeof d);
    } else {
      std::memcpy(value->bytes, &result, 10);  // the 80-bit value; the rest stays zero
    }
  }
  return true;
}

}  // namespace

bool input_type_known(uint32_t type_word) {
  const uint32_t bits = size_of(type_word);
  if (type_word & input_string) return true;
  if (type_word & input_float) return bits == 32 || bits == 64 || bits == 256;
  return bits == 8 || bits == 16 || bits == 32 || bits == 64;
}

int32_t input_split_fields(const uint8_t* line, int32_t len, int32_t count, bool line_mode, input_field* fields) {
  if (count < 1) return -1;
  if (line_mode) {
    fields[0] = {0, len};
    return 1;
  }
  int32_t found = 0;
  int32_t i = 0;
  for (;;) {
    if (found == count || found == input_fields_max) return -1;
    if (i < len && line[i] == '"') {
      const int32_t start = i + 1;
      int32_t close = start;
      while (close < len && line[close] != '"') ++close;
      fields[found++] = {start, close - start};
      if (close >= len) return found;  // still open
      i = close + 1;
      if (i == len) return found;
      if (line[i] != ',') return -1;
      ++i;
    } else {
      int32_t comma = i;
      while (comma < len && line[comma] != ',') ++comma;
      fields[found++] = {i, comma - i};
      if (comma >= len) return found;
      i = comma + 1;
    }
  }
}

bool input_check_field(const input_variable& var, const uint8_t* text, int32_t len, input_value* value) {
  if (var.type_word & input_string) {
    const auto* s = static_cast<const str_desc*>(var.target);
    return !s->fixed || len <= s->len;
  }
  if (var.type_word & input_float) return check_float(var.type_word, text, len, value);
  return check_integer(var.type_word, text, len, value);
}

void input_store_field(const input_variable& var, const uint8_t* text, int32_t len) {
  if (var.type_word & input_string) {
    str_assign(static_cast<str_desc*>(var.target), str_from_text(text, static_cast<uint32_t>(len)));
    return;
  }
  input_value value;
  if (!input_check_field(var, text, len, &value)) return;
  std::memcpy(var.target, value.bytes, size_of(var.type_word) / 8);
}

void input_clear_variable(const input_variable& var) {
  if (var.type_word & input_string) {
    auto* s = static_cast<str_desc*>(var.target);
    if (s->fixed) {
      if (s->len > 0) std::memset(s->chars, ' ', static_cast<size_t>(s->len));
    } else {
      str_assign(s, str_from_text("", 0));
    }
    return;
  }
  std::memset(var.target, 0, size_of(var.type_word) / 8);
}

bool input_validate_line(const input_variable* vars, int32_t count, const uint8_t* line, int32_t len) {
  input_field fields[input_fields_max];
  const bool line_mode = count >= 1 && (vars[0].type_word & input_string) && (vars[0].type_word & input_line_mode);
  const int32_t found = input_split_fields(line, len, count, line_mode, fields);
  if (found < 0) return false;
  for (int32_t i = 0; i < found; ++i)
    if (!input_check_field(vars[i], line + fields[i].start, fields[i].len, nullptr)) return false;
  for (int32_t i = 0; i < found; ++i) input_store_field(vars[i], line + fields[i].start, fields[i].len);
  for (int32_t i = found; i < count; ++i) input_clear_variable(vars[i]);
  return true;
}

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
