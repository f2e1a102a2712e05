#include "runtime/display/detail/indexed_pixels.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "runtime/core/shared_memory.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

static_assert(std::endian::native == std::endian::little, "a word's first byte is its lowest");

// Pixels one at a time: the ends of a run, and the whole of it where nothing wider applies.
void convert_bytes(uint32_t* out, uint8_t* copy, const uint8_t* shared, size_t from, size_t to,
                   const uint32_t* palette, uint32_t mask) {
  for (size_t i = from; i < to; ++i) {
    copy[i] = shared_get(shared[i]);
    out[i] = palette[copy[i] & mask];
  }
}

// Eight pixels a shared load, two a store. shared + from is 8-byte aligned.
size_t convert_words(uint32_t* out, uint8_t* copy, const uint8_t* shared, size_t from, size_t n,
                     const uint32_t* palette, uint32_t mask) {
  size_t i = from;
  for (; i + 8 <= n; i += 8) {
    const uint64_t word = shared_get(*reinterpret_cast<const uint64_t*>(shared + i));
    std::memcpy(copy + i, &word, 8);
    for (int k = 0; k < 8; k += 2) {
      const uint64_t pair = palette[(word >> (8 * k)) & mask] | uint64_t{palette[(word >> (8 * k + 8)) & mask]} << 32;
      std::memcpy(out + i + k, &pair, 8);
    }
  }
  return i;
}

#ifdef QUINTARO_SHARED_GET16
// Two colours, sixteen pixels a shared load: every pixel is palette[0], or
// palette[1] where its low bit is set. shared + from is 16-byte aligned.
size_t convert_two_colours(uint32_t* out, uint8_t* copy, const uint8_t* shared, size_t from, size_t n,
                           const uint32_t* palette) {
  const __m128i c0 = _mm_set1_epi32(static_cast<int>(palette[0]));
  const __m128i flip = _mm_set1_epi32(static_cast<int>(palette[0] ^ palette[1]));
  const __m128i low_bit = _mm_set1_epi8(1);
  size_t i = from;
  for (; i + 16 <= n; i += 16) {
    const __m128i bytes = shared_get16(shared + i);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(copy + i), bytes);
    const __m128i set = _mm_cmpeq_epi8(_mm_and_si128(bytes, low_bit), low_bit);
    const __m128i set_low = _mm_unpacklo_epi8(set, set), set_high = _mm_unpackhi_epi8(set, set);
    const __m128i each[4] = {_mm_unpacklo_epi16(set_low, set_low), _mm_unpackhi_epi16(set_low, set_low),
                             _mm_unpacklo_epi16(set_high, set_high), _mm_unpackhi_epi16(set_high, set_high)};
    for (int k = 0; k < 4; ++k)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 4 * k), _mm_xor_si128(c0, _mm_and_si128(flip, each[k])));
  }
  return i;
}
#endif

#if defined(__x86_64__)
#define QUINTARO_VBMI_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// 64 pixels a shared load with AVX-512 byte permutes. The palette is split
// into four planes of 256 bytes (blue, green, red, alpha), each held in four
// registers; a two-table permute looks up 128 entries at once, and bit 7 of
// the index picks the lower or the upper half. The four planes are then
// interleaved into 32-bit pixels. Interleaving works within 16-byte lanes, so
// the indices are first put in the order that makes the result come out in
// pixel order: pixel 16r + 4l + q is looked up at place 16l + 4r + q.
//
// The load reads 64 bytes in one instruction, in however many accesses the
// processor makes of it; indexed pixels are single bytes, and a byte is
// always read whole, as by a one-byte shared_get. The load is written in
// assembly for the reasons shared_get16 gives. shared + from is 16-byte aligned.
QUINTARO_VBMI_TARGET size_t convert_vbmi(uint32_t* out, uint8_t* copy, const uint8_t* shared, size_t from,
                                         size_t n, const uint32_t* palette, uint32_t mask) {
  alignas(64) uint8_t planes[4][256] = {};
  for (uint32_t e = 0; e <= mask; ++e)
    for (int p = 0; p < 4; ++p) planes[p][e] = static_cast<uint8_t>(palette[e] >> (8 * p));
  alignas(64) uint8_t order[64];
  for (int j = 0; j < 64; ++j) order[j] = static_cast<uint8_t>(16 * ((j >> 2) & 3) + 4 * (j >> 4) + (j & 3));
  const __m512i lookup_order = _mm512_load_si512(order);
  const __m512i index_mask = _mm512_set1_epi8(static_cast<char>(mask));
  __m512i table[4][4];
  for (int p = 0; p < 4; ++p)
    for (int k = 0; k < 4; ++k) table[p][k] = _mm512_load_si512(planes[p] + 64 * k);

  size_t i = from;
  for (; i + 64 <= n; i += 64) {
    __m512i bytes;
    asm volatile("vmovdqu64 %1, %0" : "=v"(bytes) : "m"(*reinterpret_cast<const __m512i*>(shared + i)));
    _mm512_storeu_si512(copy + i, bytes);
    // (The zero-masking form: the plain one trips GCC 12's uninitialised-use warning.)
    const __m512i index = _mm512_maskz_permutexvar_epi8(~__mmask64{0}, lookup_order, _mm512_and_si512(bytes, index_mask));
    const __mmask64 upper = _mm512_movepi8_mask(index);
    __m512i plane[4];
    for (int p = 0; p < 4; ++p)
      plane[p] = _mm512_mask_blend_epi8(upper, _mm512_permutex2var_epi8(table[p][0], index, table[p][1]),
                                        _mm512_permutex2var_epi8(table[p][2], index, table[p][3]));
    const __m512i low01 = _mm512_unpacklo_epi8(plane[0], plane[1]), high01 = _mm512_unpackhi_epi8(plane[0], plane[1]);
    const __m512i low23 = _mm512_unpacklo_epi8(plane[2], plane[3]), high23 = _mm512_unpackhi_epi8(plane[2], plane[3]);
    _mm512_storeu_si512(out + i, _mm512_unpacklo_epi16(low01, low23));
    _mm512_storeu_si512(out + i + 16, _mm512_unpackhi_epi16(low01, low23));
    _mm512_storeu_si512(out + i + 32, _mm512_unpacklo_epi16(high01, high23));
    _mm512_storeu_si512(out + i + 48, _mm512_unpackhi_epi16(high01, high23));
  }
  return i;
}

bool vbmi_available() {
  static const bool available = [] {
    __builtin_cpu_init();  // may run before the constructors that would have done it
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi");
  }();
  return available;
}
#else
bool vbmi_available() { return false; }
#endif

}  // namespace

bool index_path_available(index_path path) {
  switch (path) {
    case index_path::plain: return true;
#ifdef QUINTARO_SHARED_GET16
    case index_path::sse2: return true;
#endif
    case index_path::avx512_vbmi: return vbmi_available();
    default: return false;
  }
}

index_path best_index_path() { return vbmi_available() ? index_path::avx512_vbmi : index_path::sse2; }

void convert_indexed(index_path path, uint32_t* out, uint8_t* copy, const uint8_t* shared, size_t n,
                     const uint32_t* palette, uint32_t mask) {
  if (!index_path_available(path)) path = index_path::plain;
  // Pixels up to the first 16-byte boundary one at a time (image memory from
  // malloc is aligned, so normally none).
  size_t i = std::min(n, static_cast<size_t>(-reinterpret_cast<uintptr_t>(shared) & 15));
  convert_bytes(out, copy, shared, 0, i, palette, mask);
#if defined(__x86_64__)
  // Two colours need no lookup: the select is quicker than the permutes.
  if (path == index_path::avx512_vbmi && mask != 1) i = convert_vbmi(out, copy, shared, i, n, palette, mask);
#endif
#ifdef QUINTARO_SHARED_GET16
  if (path != index_path::plain && mask == 1) i = convert_two_colours(out, copy, shared, i, n, palette);
#endif
  i = convert_words(out, copy, shared, i, n, palette, mask);
  convert_bytes(out, copy, shared, i, n, palette, mask);
}
