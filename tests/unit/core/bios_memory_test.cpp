// The BIOS tick arithmetic of the emulated clock.
#include <gtest/gtest.h>

#include <cstdint>

#include "runtime/core/core.h"

namespace {

TEST(BiosTicks, CountEighteenPointTwoASecondSinceMidnight) {
  const struct {
    uint32_t counter;
    int32_t base, day_ms;
    uint32_t ticks;
  } cases[] = {
      {5000, 5000, 10000, 182},                  // 00:00:10.000
      {0, 0, 0, 0},                              // midnight
      {1000, 0, 0, 18},                          // trunc(18.2)
      {100, 0, 86399900, 0},                     // wraps at midnight
      {99, 0, 86399900, 1572479},                // 23:59:59.999
      {5, -16, 0, 0},                            // counter wrapped past 2^32: 21 ms
      {3600000u, 0, 12 * 3600000, 851760},       // one hour after noon
  };
  for (const auto& c : cases)
    EXPECT_EQ(bios_ticks_at(c.counter, c.base, c.day_ms), c.ticks)
        << c.counter << " " << c.base << " " << c.day_ms;
}

}  // namespace
