// INSTR, MID$ (function and statement) and the raw-byte conversions on random
// bytes, each against a plain model: std::string for the substring work, and
// the bytes themselves for MKx$(CVx(bytes)).
#include <algorithm>
#include <cmath>
#include <string>

#include "runtime/strings/strings.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

std::string text(const str_desc* s) {
  return s->len > 0 ? std::string(reinterpret_cast<const char*>(s->chars), static_cast<size_t>(s->len)) : std::string();
}

str_desc* temporary_of(const std::string& t) {
  str_desc* s = str_new(static_cast<uint32_t>(t.size()), true);
  std::copy(t.begin(), t.end(), s->chars);
  return s;
}

int32_t model_instr(int32_t start, const std::string& s, const std::string& search) {
  if (s.empty() || (start <= 0 && search.empty())) return 0;
  const int64_t from = std::max(start, 1) - 1;
  if (from >= static_cast<int64_t>(s.size())) return 0;
  const size_t at = s.find(search, static_cast<size_t>(from));
  return at == std::string::npos ? 0 : static_cast<int32_t>(at) + 1;
}

std::string model_mid(const std::string& s, int64_t start, int64_t length, bool given) {
  const int64_t n = static_cast<int64_t>(s.size());
  if (!given) length = n;  // to the end
  if (start < 1) {
    if (given) length -= 1 - start;
    start = 1;
  }
  if (length < 1 || start > n) return "";
  return s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(std::min(length, n - start + 1)));
}

void model_mid_statement(std::string& dest, int64_t start, int64_t length, const std::string& src, bool given) {
  if (!given) length = static_cast<int64_t>(src.size());
  int64_t skip = 0;
  if (start <= 0) {
    skip = 1 - start;
    length -= skip;
    start = 1;
  }
  const int64_t n = static_cast<int64_t>(dest.size());
  if (length <= 0 || start > n || skip >= static_cast<int64_t>(src.size())) return;
  length = std::min({length, n - start + 1, static_cast<int64_t>(src.size()) - skip});
  dest.replace(static_cast<size_t>(start - 1), static_cast<size_t>(length), src, static_cast<size_t>(skip),
               static_cast<size_t>(length));
}

// MKx$(CVx(bytes)) gives the bytes back for the integer types.
template <typename T>
void integer_round_trip(const std::string& bytes, T (*cv)(const str_desc*), str_desc* (*mk)(T)) {
  str_desc* s = str_from_text(bytes.data(), static_cast<uint32_t>(bytes.size()));
  const T v = cv(s);
  if (bytes.size() < sizeof(T)) {
    FUZZ_CHECK(v == 0 && error_report.pending.load() == 5);
    error_report.pending.store(0);
  } else {
    FUZZ_CHECK(text(mk(v)) == bytes.substr(0, sizeof(T)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_begin();
  fuzz_reader in{data, size};
  const int32_t start = static_cast<int32_t>(in.take(4));
  const int32_t length = static_cast<int32_t>(in.take(4));
  const uint8_t flags = static_cast<uint8_t>(in.take(1));
  const size_t split_value = static_cast<size_t>(in.take(2));  // taken before the rest is measured
  const size_t split = split_value % (in.rest_size() + 1);
  const std::string a(reinterpret_cast<const char*>(in.rest()), split);
  const std::string b(reinterpret_cast<const char*>(in.rest()) + split, in.rest_size() - split);
  // Small starts and lengths are where the cases are; keep most of them near the strings.
  const int32_t near_start = (flags & 8) ? start : start % 40 - 4;
  const int32_t near_length = (flags & 16) ? length : length % 40 - 4;
  const uint32_t mark = str_temp_mark();

  FUZZ_CHECK(str_instr(near_start, temporary_of(a), temporary_of(b), 1) == model_instr(near_start, a, b));
  FUZZ_CHECK(str_instr(0, temporary_of(a), temporary_of(b), 0) == model_instr(1, a, b));

  const bool given = flags & 1;
  str_desc* operand = (flags & 2) ? temporary_of(a) : str_from_text(a.data(), static_cast<uint32_t>(a.size()));
  FUZZ_CHECK(text(str_mid(operand, near_start, near_length, given ? 1 : 0)) == model_mid(a, near_start, near_length, given));
  FUZZ_CHECK(text(str_left(temporary_of(a), near_length)) == a.substr(0, static_cast<size_t>(std::clamp<int64_t>(near_length, 0, static_cast<int64_t>(a.size())))));

  std::string expected = a;
  model_mid_statement(expected, near_start, near_length, b, given);
  str_desc* dest = str_new(0, false);
  str_assign(dest, temporary_of(a));
  str_mid_statement(dest, near_start, near_length, temporary_of(b), given ? 1 : 0);
  FUZZ_CHECK(text(dest) == expected);
  str_free(dest);

  integer_round_trip<int8_t>(b, cv_int8, mk_int8);
  integer_round_trip<uint16_t>(b, cv_uint16, mk_uint16);
  integer_round_trip<int32_t>(b, cv_int32, mk_int32);
  integer_round_trip<int64_t>(b, cv_int64, mk_int64);
  integer_round_trip<uint64_t>(b, cv_uint64, mk_uint64);

  // Bit fields: the (bits + 7) / 8 bytes come back with the bits above the field cleared.
  const int32_t bits = 1 + (flags >> 2) % 64;
  str_desc* field = str_from_text(b.data(), static_cast<uint32_t>(std::min<size_t>(b.size(), static_cast<size_t>(bits + 7) / 8)));
  const uint64_t u = cv_ubits(field, bits);
  const int64_t v = cv_bits(field, bits);
  if (field->len < (bits + 7) / 8) {
    FUZZ_CHECK(u == 0 && v == 0 && error_report.pending.load() == 5);
    error_report.pending.store(0);
  } else {
    FUZZ_CHECK(text(mk_bits(u, bits)) == text(mk_bits(static_cast<uint64_t>(v), bits)));
    FUZZ_CHECK(cv_ubits(mk_bits(u, bits), bits) == u);
  }

  // Floating types and MBF: reading any bytes works; writing back a value
  // read from MBF works unless rounding met the top of the range.
  str_desc* raw = str_from_text(b.data(), static_cast<uint32_t>(b.size()));
  const size_t n = b.size();
  (void)cv_single(raw);
  (void)cv_double(raw);
  (void)cv_extended(raw);
  const float single_mbf = cv_smbf(raw);
  const double double_mbf = cv_dmbf(raw);
  error_report.pending.store(0);
  if (n >= 4 && static_cast<uint8_t>(b[3]) >= 3) {
    // Normal singles hold every 4-byte MBF value with an exponent of 3 or more exactly.
    FUZZ_CHECK(text(mk_smbf(single_mbf)) == b.substr(0, 4));
  }
  if (n >= 8) {
    FUZZ_CHECK(std::isfinite(double_mbf));
    str_desc* back = mk_dmbf(double_mbf);
    FUZZ_CHECK(error_report.pending.load() == 0 || std::fabs(double_mbf) == std::ldexp(1.0, 127));
    error_report.pending.store(0);
    if (back->len == 8 && double_mbf != 0) FUZZ_CHECK(cv_dmbf(back) == double_mbf);
  }
  fuzz_end(mark);
  return 0;
}
