#include "runtime/input/keyboard_device.h"

#include <atomic>

namespace {
constexpr uint32_t ring_size = 256;
// One writer (the window thread) and one reader: a single-producer ring.
std::atomic<int32_t> reports[ring_size];
std::atomic<uint32_t> write_index{0};
std::atomic<uint32_t> read_index{0};
}  // namespace

void keyboard_hook(int32_t scan_code, int32_t pressed) {
  if (scan_code < 0 || scan_code > 511) return;
  const uint32_t at = write_index.load(std::memory_order_relaxed);
  if (at - read_index.load(std::memory_order_acquire) >= ring_size) return;
  reports[at % ring_size].store(scan_code | (pressed ? 0x1000 : 0), std::memory_order_relaxed);
  write_index.store(at + 1, std::memory_order_release);
}

bool keyboard_device_take(int32_t* scan_code, int32_t* pressed) {
  const uint32_t at = read_index.load(std::memory_order_relaxed);
  if (at == write_index.load(std::memory_order_acquire)) return false;
  const int32_t r = reports[at % ring_size].load(std::memory_order_relaxed);
  read_index.store(at + 1, std::memory_order_release);
  *scan_code = r & 0x1FF;
  *pressed = (r & 0x1000) ? 1 : 0;
  return true;
}
