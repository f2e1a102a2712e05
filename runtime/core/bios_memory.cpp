#include "runtime/core/core.h"

#include <ctime>

#include "runtime/core/shared_memory.h"
#include "runtime/platform/platform.h"

// Bytes of this block are read and written by more than one thread (the BIOS tick
// count by the main loop, the keyboard buffer by the window thread): every access
// goes through the shared-memory helpers, with acquire and release so that a
// published ring offset orders the bytes written before it.
alignas(64) uint8_t conventional_memory[conventional_memory_size];

namespace {
uint8_t load(uint32_t offset) { return shared_get(conventional_memory[offset], std::memory_order_acquire); }
void store(uint32_t offset, uint8_t value) {
  shared_put(&conventional_memory[offset], value, std::memory_order_release);
}
}  // namespace

uint8_t cm_read8(uint32_t offset) { return load(offset); }

void cm_write8(uint32_t offset, uint8_t value) { store(offset, value); }

uint16_t cm_read16(uint32_t offset) {
  return static_cast<uint16_t>(load(offset) | (load(offset + 1) << 8));
}

void cm_write16(uint32_t offset, uint16_t value) {
  store(offset, static_cast<uint8_t>(value));
  store(offset + 1, static_cast<uint8_t>(value >> 8));
}

uint32_t cm_read24(uint32_t offset) {
  return load(offset) | (load(offset + 1) << 8) | (static_cast<uint32_t>(load(offset + 2)) << 16);
}

void cm_write24(uint32_t offset, uint32_t value) {
  store(offset, static_cast<uint8_t>(value));
  store(offset + 1, static_cast<uint8_t>(value >> 8));
  store(offset + 2, static_cast<uint8_t>(value >> 16));
}

clock_bases_record clock_bases;

void clock_bases_at(int64_t counter_ns, int64_t day_ns, int32_t* base, int32_t* day_ms) {
  const int64_t counter_ms = counter_ns / 1000000;
  // The time of day when the counter turned to counter_ms: the reading came
  // counter_ns - counter_ms * 1e6 nanoseconds after that turn.
  const int64_t turned_ns = day_ns - (counter_ns - counter_ms * 1000000);
  int64_t ms = turned_ns >= 0 ? turned_ns / 1000000 : -((-turned_ns + 999999) / 1000000);
  ms %= 86400000;
  if (ms < 0) ms += 86400000;
  *base = static_cast<int32_t>(static_cast<uint32_t>(counter_ms));
  *day_ms = static_cast<int32_t>(ms);
}

void sync_clock_bases() {
  // The calendar clock is read between two readings of the counter; the
  // midpoint of those stands for the same instant.
  const int64_t before = ns_counter();
  int64_t wall_ns = 0;
  const bool have_wall = calendar_time_ns(&wall_ns);
  const int64_t after = ns_counter();
  const int64_t counter_ns = before + (after - before) / 2;
  std::tm local{};
  const std::time_t seconds = static_cast<std::time_t>(wall_ns / 1000000000);
  if (!have_wall || wall_ns < 0 || !localtime_r(&seconds, &local)) {
    clock_bases_at(counter_ns, 0, &clock_bases.counter, &clock_bases.day_ms);
    clock_bases.day_ms = 0;
    return;
  }
  const int64_t day_ns = (int64_t{local.tm_hour} * 3600 + local.tm_min * 60 + local.tm_sec) * 1000000000 +
                         wall_ns % 1000000000;
  clock_bases_at(counter_ns, day_ns, &clock_bases.counter, &clock_bases.day_ms);
}

uint32_t day_ms_at(uint32_t counter_low, int32_t base, int32_t day_ms) {
  return (counter_low - static_cast<uint32_t>(base) + static_cast<uint32_t>(day_ms)) % 86400000u;
}

uint32_t bios_ticks_at(uint32_t counter_low, int32_t base, int32_t day_ms) {
  return static_cast<uint32_t>(static_cast<double>(day_ms_at(counter_low, base, day_ms)) * 0.0182);
}

void update_bios_ticks() {
  const uint32_t ticks = bios_ticks_at(static_cast<uint32_t>(ms_counter()), clock_bases.counter, clock_bases.day_ms);
  cm_write24(bios_tick_count, ticks);
}
