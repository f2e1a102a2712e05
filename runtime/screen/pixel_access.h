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
// through shared_put, which leaves the mark to it.
struct note_write_at_exit {
  note_write_at_exit() = default;
  note_write_at_exit(const note_write_at_exit&) = delete;
  note_write_at_exit& operator=(const note_write_at_exit&) = delete;
  ~note_write_at_exit() { note_shared_write(); }
};

// One relaxed store of a 1-, 2-, 4- or 8-byte value, aligned to its size, without the mark.
template <typename T>
inline void shared_put(T* p, T value) {
  std::atomic_ref<T>(*p).store(value, std::memory_order_relaxed);
}

inline void shared_store8(uint8_t* p, uint8_t value) {
  shared_put(p, value);
  note_shared_write();
}
inline uint8_t shared_load8(uint8_t* p) {
  return std::atomic_ref<uint8_t>(*p).load(std::memory_order_relaxed);
}
// p must be 4-byte aligned (32-bit pixel memory always is).
inline void shared_store32(uint32_t* p, uint32_t value) {
  shared_put(p, value);
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
      shared_put(reinterpret_cast<uint64_t*>(dst + i), word);
    }
  }
  for (; i < n; ++i) shared_put(dst + i, src[i]);
  note_shared_write();
}

inline uint32_t palette_get(const std::atomic<uint32_t>* palette, int32_t i) {
  return palette[i].load(std::memory_order_relaxed);
}
inline void palette_put(std::atomic<uint32_t>* palette, int32_t i, uint32_t value) {
  palette[i].store(value, std::memory_order_relaxed);
  note_shared_write();
}
