#include "runtime/strings/detail/string_state.h"
#include "runtime/strings/strings.h"

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "runtime/core/core.h"

namespace {

// The low `bytes` bytes of v, little-endian, in a new temporary.
str_desc* bytes_of(uint64_t v, int32_t bytes) {
  str_desc* r = str_new(static_cast<uint32_t>(bytes), true);
  for (int32_t i = 0; i < bytes; ++i) r->chars[i] = static_cast<uint8_t>(v >> (8 * i));
  return r;
}

// The first `bytes` bytes of s as a little-endian number; false (error 5
// raised) when s is shorter.
bool read_bytes(const str_desc* s, int32_t bytes, uint64_t* v) {
  if (s->len < bytes) {
    raise_error(err_illegal_function_call);
    return false;
  }
  uint64_t x = 0;
  for (int32_t i = 0; i < bytes; ++i) x |= uint64_t{s->chars[i]} << (8 * i);
  *v = x;
  return true;
}

template <typename T>
T read_as(const str_desc* s) {
  uint64_t v;
  if (!read_bytes(s, sizeof(T), &v)) return 0;
  if constexpr (sizeof(T) == 4 && std::is_floating_point_v<T>) {
    return std::bit_cast<T>(static_cast<uint32_t>(v));
  } else if constexpr (std::is_floating_point_v<T>) {
    return std::bit_cast<T>(v);
  } else {
    return static_cast<T>(v);
  }
}

bool valid_width(int32_t bits) {
  if (bits >= 1 && bits <= 64) return true;
  raise_error(err_illegal_function_call);
  return false;
}

uint64_t low_bits(uint64_t v, int32_t bits) { return bits == 64 ? v : v & ((uint64_t{1} << bits) - 1); }

// MBF: mantissa_bits includes the hidden leading 1 (24 or 56); the string has
// mantissa_bits / 8 + 1 bytes.
str_desc* mbf_of(double v, int mantissa_bits) {
  const int32_t bytes = mantissa_bits / 8 + 1;
  if (v == 0) return bytes_of(0, bytes);  // negative zero too: the layout has one zero
  int k = 0;
  const double f = std::frexp(std::fabs(v), &k);  // |v| = f * 2^k, f in [0.5, 1)
  const int exponent = k + 128;
  if (!std::isfinite(v) || exponent < 1 || exponent > 255) {
    raise_error(err_illegal_function_call);
    return str_new(0, true);
  }
  // Exact: a single has 24 significant bits, a double 53.
  const uint64_t mantissa = static_cast<uint64_t>(std::ldexp(f, mantissa_bits));
  const int stored = mantissa_bits - 1;
  uint64_t bits = mantissa & ((uint64_t{1} << stored) - 1);
  if (std::signbit(v)) bits |= uint64_t{1} << stored;
  bits |= uint64_t(exponent) << (stored + 1);
  return bytes_of(bits, bytes);
}

// The MBF value at the start of s, exactly (56 mantissa bits fit a long double).
bool mbf_value(const str_desc* s, int mantissa_bits, long double* value) {
  uint64_t bits;
  if (!read_bytes(s, mantissa_bits / 8 + 1, &bits)) return false;
  const int stored = mantissa_bits - 1;
  const int exponent = static_cast<int>(bits >> (stored + 1)) & 0xFF;
  if (exponent == 0) {
    *value = 0;
    return true;
  }
  const uint64_t mantissa = (bits & ((uint64_t{1} << stored) - 1)) | (uint64_t{1} << stored);
  const long double magnitude = std::ldexp(static_cast<long double>(mantissa), exponent - 128 - mantissa_bits);
  *value = (bits >> stored) & 1 ? -magnitude : magnitude;
  return true;
}

}  // namespace

str_desc* mk_int8(int8_t v) { return bytes_of(static_cast<uint8_t>(v), 1); }
str_desc* mk_uint8(uint8_t v) { return bytes_of(v, 1); }
str_desc* mk_int16(int16_t v) { return bytes_of(static_cast<uint16_t>(v), 2); }
str_desc* mk_uint16(uint16_t v) { return bytes_of(v, 2); }
str_desc* mk_int32(int32_t v) { return bytes_of(static_cast<uint32_t>(v), 4); }
str_desc* mk_uint32(uint32_t v) { return bytes_of(v, 4); }
str_desc* mk_int64(int64_t v) { return bytes_of(static_cast<uint64_t>(v), 8); }
str_desc* mk_uint64(uint64_t v) { return bytes_of(v, 8); }
str_desc* mk_single(float v) { return bytes_of(std::bit_cast<uint32_t>(v), 4); }
str_desc* mk_double(double v) { return bytes_of(std::bit_cast<uint64_t>(v), 8); }

str_desc* mk_extended(long double v) {
  str_desc* r = str_new(extended_string_length, true);
  // Only the 80 bits of the value: the bytes after them in memory are padding.
  std::memcpy(r->chars, &v, extended_value_bytes);
  std::memset(r->chars + extended_value_bytes, 0, extended_string_length - extended_value_bytes);
  return r;
}

str_desc* mk_bits(uint64_t v, int32_t bits) {
  if (!valid_width(bits)) return str_new(0, true);
  return bytes_of(low_bits(v, bits), (bits + 7) / 8);
}

int8_t cv_int8(const str_desc* s) { return read_as<int8_t>(s); }
uint8_t cv_uint8(const str_desc* s) { return read_as<uint8_t>(s); }
int16_t cv_int16(const str_desc* s) { return read_as<int16_t>(s); }
uint16_t cv_uint16(const str_desc* s) { return read_as<uint16_t>(s); }
int32_t cv_int32(const str_desc* s) { return read_as<int32_t>(s); }
uint32_t cv_uint32(const str_desc* s) { return read_as<uint32_t>(s); }
int64_t cv_int64(const str_desc* s) { return read_as<int64_t>(s); }
uint64_t cv_uint64(const str_desc* s) { return read_as<uint64_t>(s); }
float cv_single(const str_desc* s) { return read_as<float>(s); }
double cv_double(const str_desc* s) { return read_as<double>(s); }

long double cv_extended(const str_desc* s) {
  if (s->len < extended_string_length) {
    raise_error(err_illegal_function_call);
    return 0;
  }
  long double v = 0;
  std::memcpy(&v, s->chars, extended_value_bytes);
  return v;
}

uint64_t cv_ubits(const str_desc* s, int32_t bits) {
  uint64_t v;
  if (!valid_width(bits) || !read_bytes(s, (bits + 7) / 8, &v)) return 0;
  return low_bits(v, bits);
}

int64_t cv_bits(const str_desc* s, int32_t bits) {
  const uint64_t v = cv_ubits(s, bits);
  const int shift = bits >= 1 && bits <= 64 ? 64 - bits : 0;
  return static_cast<int64_t>(v << shift) >> shift;
}

str_desc* mk_smbf(float v) { return mbf_of(v, 24); }
str_desc* mk_dmbf(double v) { return mbf_of(v, 56); }

float cv_smbf(const str_desc* s) {
  long double v;
  return mbf_value(s, 24, &v) ? static_cast<float>(v) : 0.0f;
}

double cv_dmbf(const str_desc* s) {
  long double v;
  return mbf_value(s, 56, &v) ? static_cast<double>(v) : 0.0;
}

namespace {
constexpr long double two_63 = 9223372036854775808.0L;

// One store of the floating-point unit: nearest-even rounding, indefinite when out of range.
uint64_t store_int64(long double x) {
  if (!std::isfinite(x)) return integer_indefinite;
  const long double r = std::nearbyint(x);  // the default rounding mode: to nearest, ties to even
  if (r >= two_63 || r < -two_63) return integer_indefinite;
  return static_cast<uint64_t>(static_cast<int64_t>(r));
}
}  // namespace

uint64_t extended_to_int64_bits(long double x) {
  if (std::isfinite(x) && x > two_63 - 1) return store_int64(x - two_63) | (1ull << 63);
  return store_int64(x);
}
