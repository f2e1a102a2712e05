#include "runtime/core/clock_bases.h"

#include <ctime>

#include "runtime/core/conventional_memory.h"
#include "runtime/platform/platform.h"

int32_t counter_base = 0;
int32_t day_ms_base = 0;

void sync_clock_bases() {
  const std::time_t t0 = std::time(nullptr);
  std::time_t t1 = 0;
  if (t0 != static_cast<std::time_t>(-1)) {
    // Poll the calendar clock until its second changes; 1 ms steps keep the
    // boundary within a millisecond without spinning a core for up to a second.
    while ((t1 = std::time(nullptr)) == t0) platform_sleep(1);
  }
  counter_base = static_cast<int32_t>(static_cast<uint32_t>(ms_counter()));
  std::tm local{};
  if (t0 != static_cast<std::time_t>(-1) && localtime_r(&t1, &local))
    day_ms_base = (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000;
  else
    day_ms_base = 0;
}

uint32_t bios_ticks_at(uint32_t counter_low, int32_t base, int32_t day_ms) {
  const uint32_t ms =
      (counter_low - static_cast<uint32_t>(base) + static_cast<uint32_t>(day_ms)) % 86400000u;
  return static_cast<uint32_t>(static_cast<double>(ms) * 0.0182);
}

void update_bios_ticks() {
  const uint32_t ticks = bios_ticks_at(static_cast<uint32_t>(ms_counter()), counter_base, day_ms_base);
  cm_write24(bios_tick_count, ticks);
}
