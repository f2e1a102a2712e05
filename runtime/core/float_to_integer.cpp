#include "runtime/core/float_to_integer.h"

#include <cfenv>
#include <cmath>

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
