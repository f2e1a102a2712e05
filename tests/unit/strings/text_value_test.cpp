#include "runtime/strings/strings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "runtime/core/core.h"
#include "tests/unit/strings/string_test_support.h"

namespace {

class text_value_test : public string_engine_test {
 protected:
  void TearDown() override {
    pending_error.store(0);
    event_pending.store(0);
  }
};

long double val(const std::string& text) {
  str_desc* s = str_from_text(text.data(), static_cast<uint32_t>(text.size()));
  const long double v = text_value(s);
  EXPECT_TRUE(s->temporary);  // read, not released
  EXPECT_EQ(temp_list.slots[s->temp_index], s);
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
  EXPECT_EQ(pending_error.load(), 0);
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
    EXPECT_EQ(pending_error.load(), 0) << r.text;
  }
  EXPECT_EQ(val("&B" + std::string(64, '1')), -1);
  EXPECT_EQ(val("&B1" + std::string(63, '0')), -9223372036854775807.0L - 1);
  EXPECT_EQ(pending_error.load(), 0);
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
    EXPECT_EQ(pending_error.load(), 6) << t;
    pending_error.store(0);
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
