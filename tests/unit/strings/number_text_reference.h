#pragma once
// The floating-point texts produced step by step through the C library's "%E"
// and "%f" conversions, position by position. The runtime builds the same texts
// from the digits directly; the tests compare the two on many values and the
// benchmark measures one against the other.
#include <cstdio>
#include <cstring>
#include <string>

namespace reference {

// Writes x with format into text, then gives the exponent three digits.
inline void exponent_text(char* text, size_t size, const char* format, double x, size_t short_length) {
  std::snprintf(text, size, format, x);
  if (std::strlen(text) == short_length) {
    const size_t at = short_length - 2;  // first exponent digit
    std::memmove(text + at + 1, text + at, 3);
    text[at] = '0';
  }
}

// digits: 7 (single, "% .6E") or 16 (double, "% .15E").
inline std::string float_text(double x, int digits) {
  const bool is_double = digits == 16;
  const int last = digits + 1;        // position of the last mantissa digit
  const int letter_at = digits + 2;   // exponent letter
  const int small_limit = is_double ? 17 : 8;
  char text[64];
  exponent_text(text, sizeof text, is_double ? "% .15E" : "% .6E", x, is_double ? 22 : 13);
  if (is_double && text[17] == '9') {
    char shorter[64];
    exponent_text(shorter, sizeof shorter, "% .14E", x, 21);
    // Insert a "0" after the last mantissa digit so the positions stay.
    std::memcpy(text, shorter, 17);
    text[17] = '0';
    std::memcpy(text + 18, shorter + 17, 6);
  }
  int count = digits;
  for (int i = last; i >= 1; --i) {
    if (text[i] == '.') continue;
    if (text[i] != '0') break;
    --count;
  }
  if (count == 0) return " 0";
  int e = (text[letter_at + 2] - '0') * 100 + (text[letter_at + 3] - '0') * 10 + (text[letter_at + 4] - '0');
  if (text[letter_at + 1] == '-') e = -e;

  if (e >= digits || e - count < -small_limit) {
    std::string out;
    out += text[0];
    out += text[1];
    if (count > 1) {
      out += '.';
      out.append(text + 3, static_cast<size_t>(count - 1));
    }
    out += is_double ? 'D' : 'E';
    out += text[letter_at + 1];
    const int a = e < 0 ? -e : e;
    out.append(text + letter_at + (a >= 100 ? 2 : 3), a >= 100 ? 3 : 2);
    return out;
  }
  int decimals = count - e - 1;
  if (decimals < 0) decimals = 0;
  char format[16];
  if (is_double)
    std::snprintf(format, sizeof format, "%% .%02df", decimals);
  else
    std::snprintf(format, sizeof format, "%% .%df", decimals);
  char plain[400];
  std::snprintf(plain, sizeof plain, format, x);
  std::string out = plain;
  if (out.size() > 1 && out[1] == '0') out.erase(1, 1);
  return out;
}

}  // namespace reference
