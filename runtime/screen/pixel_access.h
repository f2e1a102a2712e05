#pragma once
// Writes into pixel memory and palettes that the frame builder may be reading
// at the same moment. The stores are relaxed atomics: plain moves on x86, but
// defined behaviour for the concurrent reader. Memory no other thread can see
// yet (a fresh allocation) may be written directly.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Set after stores into image memory or palettes; the frame builder clears it,
// and while it stays clear the shown image is as the builder last read it, so
// an unchanged screen costs no comparison. The release store orders the data
// stores before it for the builder, which reads the flag with acquire.
inline std::atomic<bool> shared_memory_written{true};
inline void note_shared_write() { shared_memory_written.store(true, std::memory_order_release); }

// Marks the shared memory written when the scope ends: for loops that store
// through shared_put8 and shared_put32, which leave the mark to it.
struct note_write_at_exit {
  note_write_at_exit() = default;
  note_write_at_exit(const note_write_at_exit&) = delete;
  note_write_at_exit& operator=(const note_write_at_exit&) = delete;
  ~note_write_at_exit() { note_shared_write(); }
};

inline void shared_put8(uint8_t* p, uint8_t value) {
  std::atomic_ref<uint8_t>(*p).store(value, std::memory_order_relaxed);
}
inline void shared_store8(uint8_t* p, uint8_t value) {
  shared_put8(p, value);
  note_shared_write();
}
inline uint8_t shared_load8(uint8_t* p) {
  return std::atomic_ref<uint8_t>(*p).load(std::memory_order_relaxed);
}
// p must be 4-byte aligned (32-bit pixel memory always is).
inline void shared_put32(uint32_t* p, uint32_t value) {
  std::atomic_ref<uint32_t>(*p).store(value, std::memory_order_relaxed);
}
inline void shared_store32(uint32_t* p, uint32_t value) {
  shared_put32(p, value);
  note_shared_write();
}
inline uint32_t shared_load32(uint32_t* p) {
  return std::atomic_ref<uint32_t>(*p).load(std::memory_order_relaxed);
}

// Copies n bytes into shared memory, eight at a time where both sides allow it.
inline void shared_copy(uint8_t* dst, const uint8_t* src, size_t n) {
  size_t i = 0;
  if ((reinterpret_cast<uintptr_t>(dst) & 7) == 0) {
    for (; i + 8 <= n; i += 8) {
      uint64_t word;
      std::memcpy(&word, src + i, 8);
      std::atomic_ref<uint64_t>(*reinterpret_cast<uint64_t*>(dst + i)).store(word, std::memory_order_relaxed);
    }
  }
  for (; i < n; ++i) std::atomic_ref<uint8_t>(dst[i]).store(src[i], std::memory_order_relaxed);
  note_shared_write();
}

// Fills n 16-bit words of shared memory (text cells) with value.
inline void shared_fill16(uint8_t* dst, uint16_t value, size_t n) {
  for (size_t i = 0; i < n; ++i)
    std::atomic_ref<uint16_t>(*reinterpret_cast<uint16_t*>(dst + 2 * i)).store(value, std::memory_order_relaxed);
  note_shared_write();
}

inline void shared_fill8(uint8_t* dst, uint8_t value, size_t n) {
  for (size_t i = 0; i < n; ++i) std::atomic_ref<uint8_t>(dst[i]).store(value, std::memory_order_relaxed);
  note_shared_write();
}

inline uint32_t palette_get(const std::atomic<uint32_t>* palette, int32_t i) {
  return palette[i].load(std::memory_order_relaxed);
}
inline void palette_put(std::atomic<uint32_t>* palette, int32_t i, uint32_t value) {
  palette[i].store(value, std::memory_order_relaxed);
  note_shared_write();
}
