#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "runtime/core/core.h"
#include "runtime/strings/strings.h"
#include "tests/unit/strings/number_text_reference.h"
#include "tests/unit/strings/string_test_support.h"

namespace {

class number_text : public string_engine_test {
 protected:
  void TearDown() override { run_flags_reset(); }
};

// Every text is a new temporary; returns its contents.
std::string take(str_desc* s) {
  EXPECT_TRUE(s->temporary);
  EXPECT_EQ(string_heap.temps.slots[s->temp_index], s);
  std::string text = text_of(s);
  str_free(s);
  return text;
}

TEST_F(number_text, example_table) {
  struct row {
    std::string text;
    str_desc* (*make)();
  };
  const row rows[] = {
      {" 11025", [] { return text_of_int32(11025); }},
      {"-3", [] { return text_of_int32(-3); }},
      {"-128", [] { return text_of_int8(-128); }},
      {" 4294967295", [] { return text_of_uint32(4294967295u); }},
      {" 11025", [] { return text_of_single(11025.0f); }},
      {" 2756.25", [] { return text_of_single(2756.25f); }},
      {" .1", [] { return text_of_single(0.1f); }},
      {"-.5", [] { return text_of_single(-0.5f); }},
      {" 0", [] { return text_of_single(0.0f); }},
      {" 9999999", [] { return text_of_single(9999999.0f); }},
      {" 1E+07", [] { return text_of_single(10000000.0f); }},
      {" 1.234568E+08", [] { return text_of_single(123456789.0f); }},
      {" 1234.568", [] { return text_of_single(1234.5678f); }},
      {" .6666667", [] { return text_of_single(2.0f / 3.0f); }},
      {" .0000001", [] { return text_of_single(0.0000001f); }},
      {" 1E-08", [] { return text_of_single(0.00000001f); }},
      {"-1E+30", [] { return text_of_single(-1E30f); }},
      {" 2756.25", [] { return text_of_double(2756.25); }},
      {" 1000000000000000", [] { return text_of_double(1E15); }},
      {" 1D+16", [] { return text_of_double(1E16); }},
      {" .3", [] { return text_of_double(0.1 + 0.2); }},
      {" .3333333333333333", [] { return text_of_double(1.0 / 3.0); }},
      {" 435", [] { return text_of_double(434.99999999999994); }},
      {" 1.234567890123457D+17", [] { return text_of_double(123456789012345678.0); }},
      {" 1D-17", [] { return text_of_double(1E-17); }},
      {" 1D+300", [] { return text_of_double(1E300); }},
      {"-1.5D-300", [] { return text_of_double(-1.5E-300); }},
  };
  for (const row& r : rows) EXPECT_EQ(take(r.make()), r.text);
}

TEST_F(number_text, integer_extremes_fill_their_capacity) {
  struct row {
    std::string text;
    str_desc* (*make)();
  };
  const row rows[] = {
      {"-9223372036854775808", [] { return text_of_int64(INT64_MIN); }},
      {" 9223372036854775807", [] { return text_of_int64(INT64_MAX); }},
      {" 18446744073709551615", [] { return text_of_uint64(UINT64_MAX); }},
      {" 0", [] { return text_of_uint64(0); }},
      {" 127", [] { return text_of_int8(127); }},
      {"-32768", [] { return text_of_int16(-32768); }},
      {"-2147483648", [] { return text_of_int32(INT32_MIN); }},
      {" 255", [] { return text_of_uint8(255); }},
      {" 65535", [] { return text_of_uint16(65535); }},
      {" 0", [] { return text_of_int32(0); }},
  };
  for (const row& r : rows) EXPECT_EQ(take(r.make()), r.text);
}

TEST_F(number_text, integers_match_the_c_library) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 20000; ++i) {
    const uint64_t bits = rng() >> (rng() % 64);
    char expected[32];
    const int64_t s = static_cast<int64_t>(bits) * ((i & 1) ? -1 : 1);
    std::snprintf(expected, sizeof expected, "% " PRId64, s);
    ASSERT_EQ(take(text_of_int64(s)), expected);
    std::snprintf(expected, sizeof expected, " %" PRIu64, bits);
    ASSERT_EQ(take(text_of_uint64(bits)), expected);
    std::snprintf(expected, sizeof expected, "% i", static_cast<int16_t>(bits));
    ASSERT_EQ(take(text_of_int16(static_cast<int16_t>(bits))), expected);
  }
}

TEST_F(number_text, float_edges) {
  EXPECT_EQ(take(text_of_single(-0.0f)), " 0");
  EXPECT_EQ(take(text_of_double(-0.0)), " 0");
  EXPECT_EQ(take(text_of_double(9.999999999999999E+20)), " 1D+21");
  EXPECT_EQ(take(text_of_double(9.999999999999999E+15)), " 1D+16");
  EXPECT_EQ(take(text_of_double(-3837692450186169.0)), "-3837692450186169");  // 16 digits in full
  EXPECT_EQ(take(text_of_single(1E-10f)), " 1E-10");        // two exponent digits for single
  EXPECT_EQ(take(text_of_double(1E-100)), " 1D-100");
  EXPECT_EQ(take(text_of_double(1E99)), " 1D+99");
  EXPECT_EQ(take(text_of_double(-2.5E-5)), "-.000025");
  EXPECT_EQ(take(text_of_double(1.0 / 3.0 * 1E-10)), " 3.333333333333333D-11");
  EXPECT_EQ(take(text_of_single(16777216.0f)), " 1.677722E+07");
  EXPECT_EQ(take(text_of_single(std::numeric_limits<float>::denorm_min())), " 1.401298E-45");
  EXPECT_EQ(take(text_of_double(std::numeric_limits<double>::max())), " 1.797693134862316D+308");
  EXPECT_EQ(take(text_of_extended(1.0L / 3.0L)), " .3333333333333333");
  EXPECT_EQ(take(text_of_extended(1E20L)), " 1D+20");
  EXPECT_EQ(take(text_of_double(INFINITY)), " INF");
  EXPECT_EQ(take(text_of_single(-INFINITY)), "-INF");
}

// Random bit patterns, short decimals, and values next to powers of ten and
// rounding ties, against the step-by-step text of the C library conversions.
TEST_F(number_text, floats_match_the_c_library_conversions) {
  std::mt19937_64 rng(11);
  auto check_double = [](double x) {
    ASSERT_EQ(take(text_of_double(x)), reference::float_text(x, 16)) << std::hexfloat << x;
  };
  auto check_single = [](float x) {
    if (!std::isfinite(x)) return;  // past the single range
    ASSERT_EQ(take(text_of_single(x)), reference::float_text(x, 7)) << std::hexfloat << x;
  };
  for (int i = 0; i < 200000; ++i) {
    double d = std::bit_cast<double>(rng());
    float f = std::bit_cast<float>(static_cast<uint32_t>(rng()));
    if (std::isfinite(d)) check_double(d);
    check_single(f);
    // Values of ordinary size with few digits.
    const int64_t mantissa = static_cast<int64_t>(rng() % 100000000000000000ull) >> (rng() % 60);
    const double scaled = static_cast<double>(mantissa) * std::pow(10.0, static_cast<int>(rng() % 50) - 30);
    check_double(scaled);
    check_single(static_cast<float>(scaled));
  }
  // Around 16 integer digits, where the plain form shows more digits than were counted.
  std::uniform_real_distribution<double> exponent(14.0, 17.0);
  for (int i = 0; i < 100000; ++i) {
    const double x = std::pow(10.0, exponent(rng));
    check_double(x);
    check_double(std::floor(x));
    check_double(std::floor(x) + 0.5);
  }
  for (int p = -40; p <= 40; ++p) {
    const double ten = std::pow(10.0, p);
    for (double x : {ten, std::nextafter(ten, 0.0), std::nextafter(ten, 1E300), ten * 0.99999995, ten * 0.9999999999999999}) {
      check_double(x);
      check_double(-x);
      check_single(static_cast<float>(x));
      check_single(std::nextafter(static_cast<float>(x), 0.0f));
    }
  }
  // Exact ties at the last shown digit.
  for (double x : {1234567.5, 2345678.5, 0.5, 2.5, 1.25, 0.125, 1125899906842624.5, 4503599627370497.0})
    check_double(x), check_single(static_cast<float>(x));
}

TEST_F(number_text, hex_and_oct) {
  struct row {
    std::string text;
    str_desc* (*make)();
  };
  const row rows[] = {
      {"FF", [] { return hex_text(255, 2); }},
      {"FFFFFFFF", [] { return hex_text(-1, 8); }},
      {"FFFF", [] { return hex_text(-1, 4); }},
      {"FF", [] { return hex_text(-1, 2); }},
      {"FFFFFFFFFFFFFFFF", [] { return hex_text(-1, 16); }},
      {"0", [] { return hex_text(0, 8); }},
      {"7FFFFFFFFFFFFFFF", [] { return hex_text(INT64_MAX, 16); }},
      {"8000000000000000", [] { return hex_text(INT64_MIN, 16); }},
      {"80", [] { return hex_text(-128, 2); }},
      {"FF7F", [] { return hex_text(-129, 2); }},          // from a wider type: 4 digits
      {"FFFF7FFF", [] { return hex_text(-32769, 4); }},    // 8 digits
      {"FFFFFFFF7FFFFFFF", [] { return hex_text(int64_t{INT32_MIN} - 1, 8); }},
      {"10", [] { return oct_text(8, 16); }},
      {"0", [] { return oct_text(0, 32); }},
      {"177777", [] { return oct_text(-1, 16); }},
      {"377", [] { return oct_text(-1, 8); }},
      {"37777777777", [] { return oct_text(-1, 32); }},
      {"1777777777777777777777", [] { return oct_text(-1, 64); }},
      {"1000000000000000000000", [] { return oct_text(INT64_MIN, 64); }},
      {"777777777777777777777", [] { return oct_text(INT64_MAX, 64); }},
      {"177377", [] { return oct_text(-257, 8); }},        // from a wider type: 16 bits
      {"37777577777", [] { return oct_text(-65537, 16); }},  // 32 bits
      {"FFFFFFFF", [] { return hex_text_of_float(-1.0L); }},
      {"2", [] { return hex_text_of_float(2.5L); }},       // ties to even
      {"4", [] { return hex_text_of_float(3.5L); }},
      {"FFFFFFFE", [] { return hex_text_of_float(-2.5L); }},
      {"FFFFFFFEFFFFFFFF", [] { return hex_text_of_float(-4294967297.0L); }},
      {"37777777777", [] { return oct_text_of_float(-1.0L); }},
      {"12", [] { return oct_text_of_float(10.4L); }},
      {"7FFFFFFFFFFFFFFF", [] { return hex_text_of_float(9223372036854775807.0L); }},
  };
  for (const row& r : rows) EXPECT_EQ(take(r.make()), r.text);
  EXPECT_EQ(error_report.pending.load(), 0);
}

TEST_F(number_text, hex_and_oct_of_out_of_range_floats_raise_overflow) {
  for (long double x : {9223372036854775808.0L, -9223372036854775808.0L, 1E30L, 9223372036854775807.5L,
                        static_cast<long double>(NAN)}) {
    EXPECT_EQ(take(hex_text_of_float(x)), "");
    EXPECT_EQ(error_report.pending.load(), 6);
    error_report.pending.store(0);
    EXPECT_EQ(take(oct_text_of_float(x)), "");
    EXPECT_EQ(error_report.pending.load(), 6);
    error_report.pending.store(0);
  }
}

// Negative values against the same digits cut from the 64-bit pattern.
TEST_F(number_text, hex_of_negative_values_fits_the_source_width) {
  std::mt19937_64 rng(3);
  for (int i = 0; i < 10000; ++i) {
    const int width = 2 << (rng() % 4);  // 2, 4, 8, 16
    const int bits = width * 4;
    // A negative value of the source type.
    const int64_t v = bits < 64 ? -(1 + static_cast<int64_t>(rng() % (uint64_t{1} << (bits - 1))))
                                : static_cast<int64_t>(rng() | (uint64_t{1} << 63));
    char full[17];
    std::snprintf(full, sizeof full, "%016" PRIX64, static_cast<uint64_t>(v));
    ASSERT_EQ(take(hex_text(v, width)), std::string(full + 16 - width)) << v;
  }
}

}  // namespace

namespace {

class text_value_test : public string_engine_test {
 protected:
  void TearDown() override {
    run_flags_reset();
  }
};

long double val(const std::string& text) {
  str_desc* s = str_from_text(text.data(), static_cast<uint32_t>(text.size()));
  const long double v = text_value(s);
  EXPECT_TRUE(s->temporary);  // read, not released
  EXPECT_EQ(string_heap.temps.slots[s->temp_index], s);
  str_free(s);
  return v;
}

TEST_F(text_value_test, examples) {
  struct row {
    const char* text;
    long double value;
  };
  const row rows[] = {
      {"123", 123},     {"  -12.5", -12.5},  {"1.5E3", 1500}, {"2D-2", 0.02L}, {"100E-2", 1},
      {".05e1", 0.5},   {"12abc", 12},       {"abc", 0},      {"&H1F", 31},    {"&O17", 15},
      {"&B101", 5},     {"&H", 0},           {"&X12", 0},     {"1 2 3", 123},
  };
  for (const row& r : rows) EXPECT_EQ(val(r.text), r.value) << r.text;
  EXPECT_EQ(error_report.pending.load(), 0);
}

TEST_F(text_value_test, edges) {
  struct row {
    const char* text;
    long double value;
  };
  const row rows[] = {
      {"", 0},           {"-", 0},          {"+", 0},           {".", 0},          {"E5", 0},
      {"0000", 0},       {"+-5", 0},        {"- 5", -5},        {"1 000", 1000},   {"\t7", 7},
      {"12.000", 12},    {"-0", 0},         {"1e", 1},          {"1e+", 1},        {"1.2.3", 1.2L},
      {"1e2e3", 100},    {"5-3", 5},        {"-&H10", 0},       {"  &h10", 16},    {"&H 10", 0},
      {"&Hff", 255},     {"&b", 0},         {"&o777", 511},     {"&H1G", 1},       {"&", 0},
      {"&HFFFF", 65535}, {"1d1", 10},       {"000.0012", 0.0012L}, {"1E0000000000000000000000005", 1E5},
      {"999999999999999999", 999999999999999999.0L},     // 18 digits: the integer path
      {"9999999999999999999", 9999999999999999999.0L},   // 19 digits: the text path
      {"123456789012345678901234567890", 123456789012345678901234567890.0L},
      {"&HFFFFFFFFFFFFFFFF", -1},       {"&H0000000000000000001", 1},  // leading zeros do not count
      {"&H8000000000000000", -9223372036854775807.0L - 1},
      {"&O1777777777777777777777", -1}, {"&O777777777777777777777", 9223372036854775807.0L},
  };
  for (const row& r : rows) {
    EXPECT_EQ(val(r.text), r.value) << r.text;
    EXPECT_EQ(error_report.pending.load(), 0) << r.text;
  }
  EXPECT_EQ(val("&B" + std::string(64, '1')), -1);
  EXPECT_EQ(val("&B1" + std::string(63, '0')), -9223372036854775807.0L - 1);
  EXPECT_EQ(error_report.pending.load(), 0);
  // A negative zero reads as zero all the same.
  EXPECT_EQ(val("-0.0"), 0);
}

TEST_F(text_value_test, prefixed_integers_beyond_64_bits_raise_error_6) {
  const std::string texts[] = {
      "&H1" + std::string(16, '0'),      // 17 significant hex digits
      "&B1" + std::string(64, '0'),      // 65 binary digits
      "&O2" + std::string(21, '0'),      // 22 octal digits starting above 1
      "&O1" + std::string(22, '0'),      // 23 octal digits
  };
  for (const std::string& t : texts) {
    EXPECT_EQ(val(t), 0) << t;
    EXPECT_EQ(error_report.pending.load(), 6) << t;
    error_report.pending.store(0);
  }
}

// The text path is the C library's scan of the number as written.
TEST_F(text_value_test, decimals_match_the_c_library_scan) {
  std::mt19937_64 rng(21);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    if (rng() % 2) text += '-';
    const int integer_digits = static_cast<int>(rng() % 25);
    for (int k = 0; k < integer_digits; ++k) text += static_cast<char>('0' + rng() % 10);
    if (rng() % 2) {
      text += '.';
      const int fraction_digits = static_cast<int>(rng() % 25);
      for (int k = 0; k < fraction_digits; ++k) text += static_cast<char>('0' + rng() % 10);
    }
    if (rng() % 3 == 0) text += "E" + std::to_string(static_cast<int>(rng() % 600) - 300);
    const bool has_digit = text.find_first_of("0123456789") < text.find('E');
    const long double expected = has_digit ? std::strtold(text.c_str(), nullptr) : 0.0L;
    ASSERT_EQ(val(text), expected) << text;
  }
}

// More significant digits than the store holds: the value as written is kept
// to the precision of the result.
TEST_F(text_value_test, long_mantissas_are_bounded_without_losing_the_value) {
  const std::string ones(400, '1');
  const long double ninths = std::strtold(("0." + ones).c_str(), nullptr);
  EXPECT_EQ(val(ones), std::strtold(ones.c_str(), nullptr));
  EXPECT_EQ(val("." + ones), ninths);
  EXPECT_EQ(val(ones + "E-400"), ninths);
  EXPECT_EQ(val("0." + std::string(1000, '0') + ones + "E1000"), ninths);
  // A digit far past the kept ones still decides a rounding that is otherwise a tie.
  // 2^64 + 1 lies halfway between two extended values; anything above rounds up.
  const std::string half = "18446744073709551617";
  const std::string above = half + "." + std::string(300, '0') + "1";
  EXPECT_EQ(val(half), std::strtold(half.c_str(), nullptr));
  EXPECT_EQ(val(above), std::strtold(above.c_str(), nullptr));
  EXPECT_NE(val(above), val(half));
  // Huge exponents give what the scan gives.
  EXPECT_EQ(val("1E999999"), std::strtold("1E999999", nullptr));
  EXPECT_EQ(val("1E-999999"), 0);
  const std::string many(4000, '9');
  EXPECT_EQ(val(many), std::strtold(many.c_str(), nullptr));
}

}  // namespace
