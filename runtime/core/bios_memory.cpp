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
