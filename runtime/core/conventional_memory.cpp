#include "runtime/core/conventional_memory.h"

#include <atomic>

// Bytes of this block are read and written by more than one thread (the BIOS tick
// count by the main loop, the keyboard buffer by the window thread): every access
// goes through atomic_ref so the emulated memory stays race-free.
alignas(64) uint8_t conventional_memory[conventional_memory_size];

namespace {
uint8_t load(uint32_t offset) {
  return std::atomic_ref<uint8_t>(conventional_memory[offset]).load(std::memory_order_acquire);
}
void store(uint32_t offset, uint8_t value) {
  std::atomic_ref<uint8_t>(conventional_memory[offset]).store(value, std::memory_order_release);
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
