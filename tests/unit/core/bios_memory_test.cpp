// The BIOS tick arithmetic of the emulated clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ctime>

#include "runtime/core/core.h"
#include "runtime/platform/platform.h"

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

// The bases come from one reading of the counter and the calendar clock. Taken
// at any instant of the same run (the calendar running at offset_ns from the
// counter), they must read the time of day the way bases taken exactly on a
// second boundary read it, to the millisecond.
TEST(ClockBases, ReadTheTimeOfDayLikeBasesTakenOnASecondBoundary) {
  constexpr int64_t day_ns = 86400000000000;
  const struct {
    int64_t offset_ns;  // time of day minus counter, in nanoseconds
    int64_t counter_ns; // the counter when the bases are taken
  } cases[] = {
      {36000000000000, 5300250000},            // 10:00 and a quarter millisecond
      {36000000999999, 1},                     // just short of a millisecond
      {day_ns - 1500000, 700000},              // the reading falls before midnight
      {day_ns - 400, 2000000},                 // a reading 400 ns after midnight
      {12345678901234, 4294967295999999},      // the counter's low 32 bits wrapped
  };
  for (const auto& c : cases) {
    int32_t base = 0, day_ms = 0;
    clock_bases_at(c.counter_ns, (c.offset_ns + c.counter_ns) % day_ns, &base, &day_ms);
    // The bases taken when the calendar's second turned, the counter read right then.
    const int64_t boundary_ns = ((c.offset_ns + c.counter_ns) / 1000000000 + 1) * 1000000000;
    const int64_t boundary_counter_ms = (boundary_ns - c.offset_ns) / 1000000;
    const int32_t old_base = static_cast<int32_t>(static_cast<uint32_t>(boundary_counter_ms));
    const int32_t old_day_ms = static_cast<int32_t>((boundary_ns / 1000000) % 86400000);
    for (int64_t later_ms : {0LL, 1LL, 999LL, 3600000LL, 90000000LL}) {
      // From the boundary on, where the bases taken there were first read.
      const uint32_t counter = static_cast<uint32_t>(boundary_counter_ms + later_ms);
      const int64_t now = day_ms_at(counter, base, day_ms), before = day_ms_at(counter, old_base, old_day_ms);
      const int64_t apart = std::min((now - before + 86400000) % 86400000, (before - now + 86400000) % 86400000);
      EXPECT_LE(apart, 1) << c.offset_ns << " +" << later_ms << " ms: " << now << " against " << before;
      const int64_t ticks = bios_ticks_at(counter, base, day_ms), old_ticks = bios_ticks_at(counter, old_base, old_day_ms);
      EXPECT_LE(std::min((ticks - old_ticks + 1572480) % 1572480, (old_ticks - ticks + 1572480) % 1572480), 1);
    }
  }
}

// Against the real calendar clock: what the bases give lies between the local
// times of day read just before and just after, to the millisecond.
TEST(ClockBases, StartUpBasesFollowTheCalendarClock) {
  auto local_day_ms = [] {
    int64_t ns = 0;
    EXPECT_TRUE(calendar_time_ns(&ns));
    const std::time_t seconds = static_cast<std::time_t>(ns / 1000000000);
    std::tm local{};
    localtime_r(&seconds, &local);
    return (int64_t{local.tm_hour} * 3600 + local.tm_min * 60 + local.tm_sec) * 1000 + ns % 1000000000 / 1000000;
  };
  sync_clock_bases();
  for (int i = 0; i < 3; ++i) {
    const int64_t before = local_day_ms();
    const int64_t read = day_ms_at(static_cast<uint32_t>(ms_counter()), clock_bases.counter, clock_bases.day_ms);
    const int64_t after = local_day_ms();
    if (after < before) continue;  // midnight passed between the readings
    EXPECT_GE(read, before - 1);
    EXPECT_LE(read, after);
    platform_sleep(20);
  }
}

}  // namespace
