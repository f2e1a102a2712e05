#pragma once
// Words that one thread writes while another reads them, without a lock: image
// pixels, text cells, palettes and the image fields the frame builder looks at
// (the program thread writes, the builder reads), and the emulated first
// megabyte (the window thread puts keys in, the program takes them out). Every
// access to such a word goes through these helpers. They are atomic_ref loads
// and stores, relaxed unless the caller asks for an order: plain moves on x86,
// and defined behaviour for the concurrent access. Memory no other thread can
// see yet (a fresh allocation) may be used directly. Any thread.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

// One load or store of a 1-, 2-, 4- or 8-byte value aligned to its size.
template <typename T>
inline T shared_get(const T& word, std::memory_order order = std::memory_order_relaxed) {
  return std::atomic_ref<T>(const_cast<T&>(word)).load(order);
}
template <typename T>
inline void shared_put(T* p, T value, std::memory_order order = std::memory_order_relaxed) {
  std::atomic_ref<T>(*p).store(value, order);
}

// Copies n bytes into memory another thread may be reading, eight at a time
// where the destination is aligned for it.
inline void shared_put_bytes(uint8_t* dst, const uint8_t* src, size_t n) {
  size_t i = 0;
  if ((reinterpret_cast<uintptr_t>(dst) & 7) == 0) {
    for (; i + 8 <= n; i += 8) {
      uint64_t word;
      std::memcpy(&word, src + i, 8);
      shared_put(reinterpret_cast<uint64_t*>(dst + i), word);
    }
  }
  for (; i < n; ++i) shared_put(dst + i, src[i]);
}

#if defined(__x86_64__) && defined(__SSE2__)
#include <emmintrin.h>
#define QUINTARO_SHARED_GET16 1
// The 16 bytes at p (16-byte aligned) in one vector load. x86-64 carries out an
// aligned 16-byte load as one access on processors with AVX, and on any other
// as at most two aligned 8-byte accesses, each single-copy atomic: the same
// reads as two relaxed 8-byte shared_get loads. C++ has no lock-free 16-byte
// atomic load, so the load is written in assembly, where the compiler can
// neither split it, repeat it, nor assume the memory unchanged.
inline __m128i shared_get16(const uint8_t* p) {
  __m128i v;
  asm volatile("movdqa %1, %0" : "=x"(v) : "m"(*reinterpret_cast<const __m128i*>(p)));
  return v;
}
#endif

// Copies n bytes out of memory another thread may be writing.
void shared_get_bytes(uint8_t* dst, const uint8_t* src, size_t n);

// Whether n bytes of memory another thread may be writing equal mine; stops
// at the first block that differs.
bool shared_bytes_equal(const uint8_t* shared, const uint8_t* mine, size_t n);
