#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "runtime/core/core.h"
#include "runtime/strings/strings.h"
#include "tests/unit/strings/string_test_support.h"

namespace {

class byte_conversions : public string_engine_test {
 protected:
  void TearDown() override {
    run_flags_reset();
  }
};

std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

// The text of a new temporary, released.
std::string take(str_desc* s) {
  EXPECT_TRUE(s->temporary);
  std::string text = text_of(s);
  str_free(s);
  return text;
}

TEST_F(byte_conversions, layouts_are_little_endian) {
  EXPECT_EQ(take(mk_int8(-2)), bytes({0xFE}));
  EXPECT_EQ(take(mk_uint16(0x1234)), bytes({0x34, 0x12}));
  EXPECT_EQ(take(mk_int16(-2)), bytes({0xFE, 0xFF}));
  EXPECT_EQ(take(mk_int32(0x01020304)), bytes({4, 3, 2, 1}));
  EXPECT_EQ(take(mk_uint64(0x0102030405060708ull)), bytes({8, 7, 6, 5, 4, 3, 2, 1}));
  EXPECT_EQ(take(mk_single(1.0f)), bytes({0, 0, 0x80, 0x3F}));
  EXPECT_EQ(take(mk_double(-2.0)), bytes({0, 0, 0, 0, 0, 0, 0, 0xC0}));
  std::string one = bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F});
  one.resize(32, '\0');
  EXPECT_EQ(take(mk_extended(1.0L)), one);
  EXPECT_EQ(take(mk_bits(0x1FF, 9)), bytes({0xFF, 0x01}));
  EXPECT_EQ(take(mk_bits(0xFFF, 4)), bytes({0x0F}));
  EXPECT_EQ(take(mk_bits(UINT64_MAX, 57)), bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}));
}

template <typename T>
void round_trip(str_desc* (*mk)(T), T (*cv)(const str_desc*), T v, size_t length) {
  str_desc* s = mk(v);
  ASSERT_EQ(static_cast<size_t>(s->len), length);
  const T back = cv(s);
  ASSERT_EQ(std::memcmp(&back, &v, sizeof(T) < 10 ? sizeof(T) : 10), 0);
  str_free(s);
}

TEST_F(byte_conversions, every_type_round_trips) {
  std::mt19937_64 rng(8);
  for (int i = 0; i < 20000; ++i) {
    const uint64_t r = rng() >> (rng() % 64);
    round_trip<int8_t>(mk_int8, cv_int8, static_cast<int8_t>(r), 1);
    round_trip<uint8_t>(mk_uint8, cv_uint8, static_cast<uint8_t>(r), 1);
    round_trip<int16_t>(mk_int16, cv_int16, static_cast<int16_t>(r), 2);
    round_trip<uint16_t>(mk_uint16, cv_uint16, static_cast<uint16_t>(r), 2);
    round_trip<int32_t>(mk_int32, cv_int32, static_cast<int32_t>(r), 4);
    round_trip<uint32_t>(mk_uint32, cv_uint32, static_cast<uint32_t>(r), 4);
    round_trip<int64_t>(mk_int64, cv_int64, static_cast<int64_t>(r), 8);
    round_trip<uint64_t>(mk_uint64, cv_uint64, r, 8);
    // Any bit pattern, infinities and not-a-number included, comes back bit for bit.
    round_trip<float>(mk_single, cv_single, std::bit_cast<float>(static_cast<uint32_t>(rng())), 4);
    round_trip<double>(mk_double, cv_double, std::bit_cast<double>(rng()), 8);
    const long double x = std::ldexp(static_cast<long double>(static_cast<int64_t>(rng())), static_cast<int>(rng() % 20000) - 10000);
    round_trip<long double>(mk_extended, cv_extended, x, 32);
  }
  round_trip<long double>(mk_extended, cv_extended, std::numeric_limits<long double>::infinity(), 32);
  round_trip<long double>(mk_extended, cv_extended, std::numeric_limits<long double>::denorm_min(), 32);
  round_trip<long double>(mk_extended, cv_extended, -0.0L, 32);
  EXPECT_EQ(error_report.pending.load(), 0);
}

TEST_F(byte_conversions, bit_fields_of_every_width_round_trip) {
  std::mt19937_64 rng(9);
  for (int bits = 1; bits <= 64; ++bits) {
    const uint64_t mask = bits == 64 ? UINT64_MAX : (uint64_t{1} << bits) - 1;
    const size_t length = static_cast<size_t>(bits + 7) / 8;
    for (int i = 0; i < 500; ++i) {
      const uint64_t v = rng();
      str_desc* s = mk_bits(v, bits);
      ASSERT_EQ(static_cast<size_t>(s->len), length) << bits;
      // Read from memory of exactly that length, so a read past it is caught.
      std::string copy = text_of(s);
      str_free(s);
      str_desc* exact = str_from_text(copy.data(), static_cast<uint32_t>(copy.size()));
      const uint64_t u = cv_ubits(exact, bits);
      const int64_t signed_value = cv_bits(exact, bits);
      ASSERT_EQ(u, v & mask) << bits;
      // Sign extension: the field's top bit fills the bits above it.
      const bool top = (v >> (bits - 1)) & 1;
      ASSERT_EQ(static_cast<uint64_t>(signed_value), top ? (v | ~mask) : (v & mask)) << bits;
      str_free(exact);
    }
    // The signed field's extremes.
    const int64_t lowest = bits == 64 ? INT64_MIN : -(int64_t{1} << (bits - 1));
    EXPECT_EQ(cv_bits(mk_bits(static_cast<uint64_t>(lowest), bits), bits), lowest) << bits;
    EXPECT_EQ(cv_bits(mk_bits(static_cast<uint64_t>(-1), bits), bits), -1) << bits;
    EXPECT_EQ(cv_ubits(mk_bits(static_cast<uint64_t>(-1), bits), bits), mask) << bits;
    str_cleanup(1);
  }
  EXPECT_EQ(error_report.pending.load(), 0);
  for (int bits : {0, 65, -1}) {
    EXPECT_EQ(take(mk_bits(1, bits)), "");
    EXPECT_EQ(error_report.pending.load(), 5);
    error_report.pending.store(0);
    EXPECT_EQ(cv_bits(temp_text("12345678"), bits), 0);
    EXPECT_EQ(error_report.pending.load(), 5);
    error_report.pending.store(0);
  }
}

TEST_F(byte_conversions, short_strings_raise_error_5) {
  struct row {
    int32_t needed;
    bool (*read_zero)(const str_desc*);
  };
  const row rows[] = {
      {1, [](const str_desc* s) { return cv_int8(s) == 0; }},
      {1, [](const str_desc* s) { return cv_uint8(s) == 0; }},
      {2, [](const str_desc* s) { return cv_int16(s) == 0; }},
      {2, [](const str_desc* s) { return cv_uint16(s) == 0; }},
      {4, [](const str_desc* s) { return cv_int32(s) == 0; }},
      {4, [](const str_desc* s) { return cv_uint32(s) == 0; }},
      {8, [](const str_desc* s) { return cv_int64(s) == 0; }},
      {8, [](const str_desc* s) { return cv_uint64(s) == 0; }},
      {4, [](const str_desc* s) { return cv_single(s) == 0; }},
      {8, [](const str_desc* s) { return cv_double(s) == 0; }},
      {32, [](const str_desc* s) { return cv_extended(s) == 0; }},
      {4, [](const str_desc* s) { return cv_smbf(s) == 0; }},
      {8, [](const str_desc* s) { return cv_dmbf(s) == 0; }},
      {3, [](const str_desc* s) { return cv_ubits(s, 17) == 0; }},
      {8, [](const str_desc* s) { return cv_bits(s, 64) == 0; }},
  };
  const std::string filler(40, '\x7F');
  for (const row& r : rows) {
    str_desc* shorter = str_from_text(filler.data(), static_cast<uint32_t>(r.needed - 1));
    EXPECT_TRUE(r.read_zero(shorter)) << r.needed;
    EXPECT_EQ(error_report.pending.load(), 5) << r.needed;
    error_report.pending.store(0);
    str_desc* enough = str_from_text(filler.data(), static_cast<uint32_t>(r.needed));
    EXPECT_FALSE(r.read_zero(enough)) << r.needed;
    EXPECT_EQ(error_report.pending.load(), 0) << r.needed;
  }
}

TEST_F(byte_conversions, mbf_layout) {
  struct row {
    double value;
    std::string single_bytes;
  };
  const row rows[] = {
      {1.0, bytes({0, 0, 0, 0x81})},    {-1.0, bytes({0, 0, 0x80, 0x81})}, {0.5, bytes({0, 0, 0, 0x80})},
      {10.0, bytes({0, 0, 0x20, 0x84})}, {0.0, bytes({0, 0, 0, 0})},        {-0.0, bytes({0, 0, 0, 0})},
      {0.75, bytes({0, 0, 0x40, 0x80})}, {std::ldexp(1.0, -128), bytes({0, 0, 0, 0x01})},
  };
  for (const row& r : rows) {
    EXPECT_EQ(take(mk_smbf(static_cast<float>(r.value))), r.single_bytes) << r.value;
    // The long form: four more low mantissa bytes, the same top bytes.
    EXPECT_EQ(take(mk_dmbf(r.value)), std::string(4, '\0') + r.single_bytes) << r.value;
  }
  // Exponent 0 is the value 0, whatever the mantissa bytes hold.
  EXPECT_EQ(cv_smbf(temp_text(bytes({0xFF, 0xFF, 0xFF, 0}))), 0.0f);
  EXPECT_EQ(cv_dmbf(temp_text(bytes({1, 2, 3, 4, 5, 6, 0xFF, 0}))), 0.0);
  EXPECT_EQ(error_report.pending.load(), 0);
}

TEST_F(byte_conversions, mbf_round_trips_for_values_it_holds) {
  std::mt19937_64 rng(10);
  for (int i = 0; i < 50000; ++i) {
    // Every exponent MBF holds: magnitudes from 2^-128 up to just below 2^127.
    const int exponent = static_cast<int>(rng() % 255) - 128;
    const double d = std::ldexp(1.0 + std::ldexp(static_cast<double>(rng() >> 12), -52), exponent) * ((rng() & 1) ? -1 : 1);
    str_desc* s = mk_dmbf(d);
    ASSERT_EQ(s->len, 8);
    ASSERT_EQ(cv_dmbf(s), d) << d;
    str_free(s);
    const float f = static_cast<float>(std::ldexp(1.0 + std::ldexp(static_cast<double>(rng() >> 41), -23), exponent)) *
                    ((rng() & 1) ? -1.0f : 1.0f);
    str_desc* t = mk_smbf(f);
    ASSERT_EQ(t->len, 4);
    ASSERT_EQ(cv_smbf(t), f) << f;
    str_free(t);
  }
  EXPECT_EQ(error_report.pending.load(), 0);
  // The largest value the layout holds.
  const float largest = std::nextafter(std::ldexp(1.0f, 127), 0.0f);
  EXPECT_EQ(cv_smbf(mk_smbf(largest)), largest);
  EXPECT_EQ(take(mk_smbf(largest)), bytes({0xFF, 0xFF, 0x7F, 0xFF}));
}

TEST_F(byte_conversions, values_mbf_cannot_hold_raise_error_5) {
  const double doubles[] = {std::ldexp(1.0, 127), 1e300, -1e300, std::ldexp(1.0, -129), 1e-300,
                            std::numeric_limits<double>::denorm_min(), INFINITY, -INFINITY, NAN};
  for (double d : doubles) {
    EXPECT_EQ(take(mk_dmbf(d)), "") << d;
    EXPECT_EQ(error_report.pending.load(), 5) << d;
    error_report.pending.store(0);
  }
  const float floats[] = {std::ldexp(1.0f, 127), std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
                          std::ldexp(1.0f, -129), INFINITY, NAN};
  for (float f : floats) {
    EXPECT_EQ(take(mk_smbf(f)), "") << f;
    EXPECT_EQ(error_report.pending.load(), 5) << f;
    error_report.pending.store(0);
  }
}

// The long form has three mantissa bits more than a double: they round to nearest, ties to even.
TEST_F(byte_conversions, long_mbf_rounds_to_the_nearest_double) {
  struct row {
    int low_bits;      // the three extra bits
    double expected;   // 1 + k * 2^-52
  };
  const double ulp = std::ldexp(1.0, -52);
  const row rows[] = {{0, 1.0}, {3, 1.0}, {4, 1.0}, {5, 1.0 + ulp}, {7, 1.0 + ulp}, {12, 1.0 + 2 * ulp}};
  for (const row& r : rows) {
    // 1.0 in the long form with the lowest mantissa bits set.
    const std::string s = bytes({r.low_bits, 0, 0, 0, 0, 0, 0, 0x81});
    EXPECT_EQ(cv_dmbf(temp_text(s)), r.expected) << r.low_bits;
  }
  // A value just above 2^-128 that only a subnormal single can approach.
  EXPECT_EQ(cv_smbf(temp_text(bytes({0, 0, 0, 0x01}))), std::ldexp(1.0f, -128));
}

}  // namespace

namespace {

TEST(ExtendedToInteger, RoundsToNearestEvenAndMarksWhatCannotBeHeld) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const struct {
    long double x;
    uint64_t bits;
  } cases[] = {
      {2.5L, 2},
      {3.5L, 4},
      {-2.5L, static_cast<uint64_t>(-2)},
      {22050.0L, 22050},
      {20571.428571428571L, 20571},
      {0.4999999L, 0},
      {9223372036854775807.0L, 0x7FFFFFFFFFFFFFFFull},
      {9223372036854775808.0L + 5, 0x8000000000000005ull},  // the 2^63 rule
      {18446744073709551615.0L, 0xFFFFFFFFFFFFFFFFull},
      {18446744073709551616.0L, integer_indefinite},       // 2^64: nothing holds it
      {-9223372036854775808.0L, 0x8000000000000000ull},
      {-9223372036854775809.0L, integer_indefinite},
      {inf, integer_indefinite},
      {-inf, integer_indefinite},
      {std::nanl(""), integer_indefinite},
  };
  for (const auto& c : cases)
    EXPECT_EQ(extended_to_int64_bits(c.x), c.bits) << static_cast<double>(c.x);
}

}  // namespace
