#include "runtime/strings/detail/string_state.h"
#include "runtime/strings/strings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "runtime/core/core.h"
#include "tests/unit/strings/string_test_support.h"

namespace {

class print_using : public string_engine_test {
 protected:
  void TearDown() override {
    run_flags_reset();
  }
};

// One value of a PRINT USING list.
struct item {
  enum kind_t { int64, uint64, single, dbl, extended, text } kind;
  int64_t i = 0;
  uint64_t u = 0;
  long double x = 0;
  std::string s;
};
item as_int(int64_t v) { return {item::int64, v, 0, 0, ""}; }
item as_uint(uint64_t v) { return {item::uint64, 0, v, 0, ""}; }
item as_single(float v) { return {item::single, 0, 0, v, ""}; }
item as_double(double v) { return {item::dbl, 0, 0, v, ""}; }
item as_extended(long double v) { return {item::extended, 0, 0, v, ""}; }
item as_text(const std::string& v) { return {item::text, 0, 0, 0, v}; }

int32_t put(const str_desc* format, const item& v, int32_t start, str_desc* out) {
  switch (v.kind) {
    case item::int64: return using_int64(format, v.i, start, out);
    case item::uint64: return using_uint64(format, v.u, start, out);
    case item::single: return using_single(format, static_cast<float>(v.x), start, out);
    case item::dbl: return using_double(format, static_cast<double>(v.x), start, out);
    case item::extended: return using_extended(format, v.x, start, out);
    case item::text: {
      str_desc* s = temp_text(v.s);
      return using_field(format, start, out, s);
    }
  }
  return -1;
}

// PRINT USING format; values...: the output string, each call continuing
// where the previous one stopped. positions receives what each call returned.
std::string print(const std::string& format, const std::vector<item>& values, std::vector<int32_t>* positions = nullptr) {
  str_desc* f = temp_text(format);
  str_desc* out = str_new(0, false);
  int32_t position = 0;
  for (const item& v : values) {
    position = put(f, v, position, out);
    if (positions) positions->push_back(position);
  }
  std::string text = text_of(out);
  str_free(out);
  str_cleanup(1);
  EXPECT_EQ(engine_invariant_failure(), "");
  return text;
}

std::string one(const std::string& format, const item& v) { return print(format, {v}); }

TEST_F(print_using, worked_examples) {
  struct row {
    const char* format;
    double value;
    const char* text;
  };
  const row rows[] = {
      {"###.##", 3.14159, "  3.14"},      {"###.##", -3.14159, " -3.14"},
      {"##.##", 9.999, "10.00"},          {"##.##", 0.5, " 0.50"},
      {"#.##", -0.5, "-.50"},             {"#,###", 1234, "1,234"},
      {"$$###", 12, "  $12"},             {"$$###", -12, " -$12"},
      {"**###", 12, "***12"},             {"**$##", 12, "**$12"},
      {"+###", 5, "+  5"},                {"###-", -5, "  5-"},
      {"##", 123, "%123"},                {"##.##^^^^", 1234.5, " 1.23E+03"},
      {".##^^^^", 0.5, "0.5E+00"},        {"#.##^^^^^", 12345.678, "0.12E+005"},
  };
  for (const row& r : rows) {
    EXPECT_EQ(one(r.format, as_single(static_cast<float>(r.value))), r.text) << r.format << " " << r.value;
    // The double and extended forms differ only in the exponent letter.
    std::string text = r.text;
    const size_t e = text.find('E');
    if (e != std::string::npos) text[e] = 'D';
    EXPECT_EQ(one(r.format, as_double(r.value)), text) << r.format << " " << r.value;
    if (e != std::string::npos) text[e] = 'F';
    EXPECT_EQ(one(r.format, as_extended(static_cast<long double>(r.value))), text) << r.format << " " << r.value;
  }
}

TEST_F(print_using, rounding_is_once_half_up_at_the_last_printed_place) {
  struct row {
    const char* format;
    double value;
    const char* text;
  };
  const row rows[] = {
      {"##.##", 9.999, "10.00"},   // carry through every digit into a new one
      {"#.##", 9.999, "%10.00"},   // the carry overflows the field
      {"#.#", 0.06, "0.1"},        // the rounding digit is the first significant one
      {"#.#", 0.006, "0.0"},       // zeros after the point count as places
      {"#.##", 0.0096, "0.01"},
      {"#.#", 0.05, "0.1"},
      {"#.#", 0.04, "0.0"},
      {"###", 0.5, "  1"},
      {"###", 0.4, "  0"},
      {"###", 99.5, "100"},
      {"##", 99.5, "%100"},
      {"#.##", 1.005, "1.00"},     // 1.005 is 1.00499999999999989... in binary
      {"#.##", 1.125, "1.13"},     // exactly half: up in magnitude
      {"#.##", -1.125, "%-1.13"},
      {"+#.##", -1.125, "-1.13"},
      {"##.#^^^^", 9.96, " 1.0D+01"},   // the carry moves the exponent
      {"##.#^^^^", 9.94, " 9.9D+00"},
      {"#.#^^^^", 9.94, "0.1D+02"},     // one printed digit
      {".##^^^^", 0.999, "0.1D+01"},
      {"##.##^^^^", 99999, " 1.00D+05"},
  };
  for (const row& r : rows) EXPECT_EQ(one(r.format, as_double(r.value)), r.text) << r.format << " " << r.value;
}

TEST_F(print_using, negative_numbers_in_every_field_kind) {
  struct row {
    const char* format;
    int64_t value;
    const char* text;
  };
  const row rows[] = {
      {"###", -5, " -5"},           {"##", -12, "%-12"},
      {"+###", -5, "-  5"},         {"###+", -5, "  5-"},
      {"###+", 5, "  5+"},          {"###-", 5, "  5 "},
      {"#,###", -123, " -123"},     {"##,###", -1234, "-1,234"},
      {"#,###", -1234, "%-1,234"},  {"$$###", -123, "-$123"},
      {"**###", -12, "**-12"},      {"**$##", -1, "**-$1"},
      {"+$$##", -7, "-  $7"},       {"**##-", -3, "***3-"},
      {"##.##^^^^", -1234, "-1.23E+03"}, {"+#.##^^^^", -1234, "-1.23E+03"},
      {"#.##^^^^-", -1234, "1.23E+03-"},  {"#^^^^", -5, "%-5E+00"},
      {"$$#.#^^^^", -25, "$-2.5E+01"},
  };
  for (const row& r : rows) EXPECT_EQ(one(r.format, as_int(r.value)), r.text) << r.format << " " << r.value;
  EXPECT_EQ(one(".##", as_double(-0.5)), "%-.50");  // no position left for the sign
  EXPECT_EQ(one("#.##", as_double(-0.001)), "-.00");
  EXPECT_EQ(one("**.##", as_double(-0.25)), "-0.25");
}

TEST_F(print_using, zero_and_small_values) {
  struct row {
    const char* format;
    double value;
    const char* text;
  };
  const row rows[] = {
      {"###", 0, "  0"},       {".##", 0, ".00"},        {"#.##", 0, "0.00"},
      {"**.##", 0, "*0.00"},   {"$$.##", 0, "$0.00"},     {"##.##^^^^", 0, " 0.00E+00"},
      {".##^^^^", 0, "0.0E+00"},   {"#.##", -0.0, "0.00"},  {"##.##", 0.25, " 0.25"},
      {"##.##^^^^", 0.000123456, " 1.23E-04"},  {"##.##^^^^", 1e-300, " 1.00D-300"},
  };
  for (const row& r : rows) {
    std::string expected = r.text;
    if (expected.find('D') == std::string::npos) {
      const size_t e = expected.find('E');
      if (e != std::string::npos) expected[e] = 'D';
    } else {
      expected = "%" + expected;  // three exponent digits overflow a two-digit field
    }
    EXPECT_EQ(one(r.format, as_double(r.value)), expected) << r.format << " " << r.value;
  }
  // Tiny extended values keep their digits.
  EXPECT_EQ(one("#.##^^^^^", as_extended(1.5e-4000L)), "%0.15F-3999");
  EXPECT_EQ(one("#.##^^^^^", as_extended(-1.5e-4000L)), "%-.15F-3999");
}

TEST_F(print_using, integers_of_every_size) {
  const std::string hashes(21, '#');
  EXPECT_EQ(one(hashes, as_int(INT64_MIN)), " -9223372036854775808");
  EXPECT_EQ(one(hashes.substr(1), as_int(INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(one(hashes.substr(2), as_int(INT64_MIN)), "%-9223372036854775808");
  EXPECT_EQ(one(hashes.substr(1), as_uint(UINT64_MAX)), "18446744073709551615");
  EXPECT_EQ(one("##,###,###,###,###,###,###,###", as_uint(UINT64_MAX)), "    18,446,744,073,709,551,615");
  EXPECT_EQ(one("##.##^^^^", as_int(INT64_MAX)), " 9.22E+18");
  EXPECT_EQ(one("###.##", as_int(42)), " 42.00");
  // A big double: digits past the 256th significant one print as zeros.
  const std::string big = one("#", as_double(1e300));
  EXPECT_EQ(big.size(), 302u);
  EXPECT_EQ(big.substr(0, 20), "%1000000000000000052");
}

TEST_F(print_using, exponent_fields) {
  struct row {
    const char* format;
    double value;
    const char* text;
  };
  const row rows[] = {
      {"#.##^^^^", 1234.5, "0.12D+04"},     {"##.##^^^^", 1e100, "% 1.00D+100"},
      {"##.##^^^^^", 1e100, " 1.00D+100"},  {"##.##^^^^^", 1234.5, " 1.23D+003"},
      {"###.#^^^^", 1234.5, " 12.3D+02"},   {".#^^^^", 5, " 5D+00"},
      {".#^^^^", -5, "-5D+00"},            {"#^^^^", 5, "5D+00"},
      {"+.##^^^^", 0.5, "+.50D+00"},        {"#.##^^^^+", 0.5, "5.00D-01+"},
      {"$$.##^^^^", 12, "$0.12D+02"},       {"##.##^^^^", 0.5, " 5.00D-01"},
  };
  for (const row& r : rows) EXPECT_EQ(one(r.format, as_double(r.value)), r.text) << r.format << " " << r.value;
}

TEST_F(print_using, string_fields) {
  struct row {
    const char* format;
    const char* value;
    const char* text;
  };
  const row rows[] = {
      {"&", "hello", "hello"},     {"!", "hello", "h"},         {"!", "", " "},
      {"\\  \\", "AB", "AB  "},    {"\\  \\", "ABCDEF", "ABCD"}, {"\\\\", "ABC", "AB"},
      {"[&]", "", "[]"},           {"<!>", "xyz", "<x>"},       {"\\ ", "AB", "\\ "},
  };
  for (const row& r : rows) {
    if (std::string(r.text) == "\\ ") {
      // No closing backslash: no field at all.
      EXPECT_EQ(one(r.format, as_text(r.value)), "\\ ");
      EXPECT_EQ(error_report.pending.load(), 5);
      error_report.pending.store(0);
      continue;
    }
    EXPECT_EQ(one(r.format, as_text(r.value)), r.text) << r.format;
  }
}

TEST_F(print_using, literals_and_the_underscore) {
  EXPECT_EQ(one("_###", as_int(5)), "# 5");
  EXPECT_EQ(one("##_", as_int(5)), " 5_");
  EXPECT_EQ(one("__##", as_int(5)), "_ 5");
  EXPECT_EQ(one("Total: $$#,###.## each", as_double(1234.5)), "Total:  $1,234.50 each");
  EXPECT_EQ(one("+ ##", as_int(5)), "+  5");  // a lone "+" is literal
  EXPECT_EQ(one("* $ ^ .#", as_double(0.5)), "* $ ^ .5");
  EXPECT_EQ(one("##.#.", as_double(2.25)), " 2.3.");
}

TEST_F(print_using, several_values_wrap_to_the_start_of_the_format) {
  std::vector<int32_t> positions;
  EXPECT_EQ(print("Item ## ok ", {as_int(1), as_int(22), as_int(333)}, &positions), "Item  1 ok Item 22 ok Item %333 ok ");
  EXPECT_EQ(positions, (std::vector<int32_t>{0, 0, 0}));

  positions.clear();
  EXPECT_EQ(print("(##) [&] <#.#>", {as_int(7), as_text("ab"), as_double(1.25), as_int(8)}, &positions),
            "( 7) [ab] <1.3>( 8) [");
  EXPECT_EQ(positions, (std::vector<int32_t>{6, 10, 0, 6}));

  // A call that starts after the last field wraps and finds the first one.
  str_desc* f = temp_text("A# B");
  str_desc* out = str_new(0, false);
  EXPECT_EQ(using_int64(f, 3, 2, out), 0);
  EXPECT_EQ(text_of(out), " BA3 B");
  // A start outside the format is taken as its start.
  for (int32_t start : {-1, 5, INT32_MAX}) {
    str_assign(out, data_segment.empty_string);
    EXPECT_EQ(using_int64(f, 4, start, out), 0);
    EXPECT_EQ(text_of(out), "A4 B");
  }
  str_free(out);
}

TEST_F(print_using, errors) {
  str_desc* out = str_new(0, false);
  str_desc* f = temp_text("x ## y");
  EXPECT_EQ(using_field(f, 0, out, temp_text("s")), 0);
  EXPECT_EQ(error_report.pending.load(), 13);
  EXPECT_EQ(text_of(out), "x ");  // kept what was appended before the error

  // Nothing happens while an error is pending.
  EXPECT_EQ(using_int64(f, 5, 0, out), 0);
  EXPECT_EQ(using_double(f, 5, 0, out), 0);
  EXPECT_EQ(text_of(out), "x ");
  error_report.pending.store(0);

  str_desc* s = temp_text("[&]");
  EXPECT_EQ(using_int64(s, 5, 0, out), 0);
  EXPECT_EQ(error_report.pending.load(), 13);
  error_report.pending.store(0);

  str_desc* none = temp_text("no fields");
  EXPECT_EQ(using_int64(none, 5, 0, out), 0);
  EXPECT_EQ(error_report.pending.load(), 5);
  error_report.pending.store(0);
  EXPECT_EQ(using_int64(temp_text(""), 5, 0, out), 0);
  EXPECT_EQ(error_report.pending.load(), 5);
  error_report.pending.store(0);

  // Infinities and not-a-number give the C library a text without digits.
  const double bad[] = {INFINITY, -INFINITY, NAN};
  for (double x : bad) {
    EXPECT_EQ(using_double(f, x, 0, out), 0);
    EXPECT_EQ(error_report.pending.load(), 5);
    error_report.pending.store(0);
  }
  EXPECT_EQ(using_digits.letter, 'E');
  str_free(out);
}

TEST_F(print_using, output_may_be_a_temporary_or_hold_text_already) {
  str_desc* f = temp_text("##");
  str_desc* out = temp_text("ab");
  using_int64(f, 5, 0, out);
  EXPECT_EQ(text_of(out), "ab 5");
  EXPECT_TRUE(out->temporary);
  str_cleanup(1);
  EXPECT_EQ(engine_invariant_failure(), "");
  EXPECT_EQ(string_heap.temps.count, 1u);
}

// Fixed fields against the C library's "%.*f" rounding of the same value.
// The values are exact in binary; exact ties are skipped, since "%f" rounds
// them to even and the field rounds them up.
TEST_F(print_using, fixed_fields_match_the_c_library_away_from_ties) {
  std::mt19937_64 rng(3);
  int compared = 0;
  for (int i = 0; i < 20000; ++i) {
    const int after = static_cast<int>(rng() % 6);
    const double x = std::ldexp(static_cast<double>(static_cast<int64_t>(rng() % 2000000001) - 1000000000),
                                -static_cast<int>(rng() % 30));
    char longer[128];
    std::snprintf(longer, sizeof longer, "%.*f", after + 40, std::fabs(x));
    const std::string tail = std::string(longer).substr(std::string(longer).find('.') + 1 + after);
    if (tail[0] == '5' && tail.find_first_not_of('0', 1) == std::string::npos) continue;
    char expected[128];
    std::snprintf(expected, sizeof expected, "%s%.*f", x < 0 ? "-" : "", after, std::fabs(x));
    std::string format(12, '#');
    if (after > 0) format += "." + std::string(static_cast<size_t>(after), '#');
    std::string text = one(format, as_double(x));
    ASSERT_EQ(text.size(), format.size()) << x << " " << format;
    ASSERT_EQ(text.substr(text.find_first_not_of(' ')), expected) << x << " " << format;
    ++compared;
  }
  EXPECT_GT(compared, 15000);
}

}  // namespace
