#include "runtime/strings/strings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
