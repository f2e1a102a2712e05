#include "runtime/core/pad_to_power_of_two.h"

#include <bit>
#include <cstring>
#include <vector>

namespace {
std::vector<uint32_t> scratch;  // used by the window thread's texture uploads only
}

const uint32_t* pad_to_power_of_two(int32_t* width, int32_t* height, const uint32_t* pixels) {
  const int32_t w = *width, h = *height;
  const int32_t w2 = static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(w)));
  const int32_t h2 = static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(h)));
  if (w2 == w && h2 == h) return pixels;

  const size_t needed = static_cast<size_t>(w2) * static_cast<size_t>(h2);
  if (scratch.size() < needed) scratch.resize(needed);
  uint32_t* out = scratch.data();
  for (int32_t y = 0; y < h; ++y) {
    uint32_t* row = out + static_cast<size_t>(y) * w2;
    std::memcpy(row, pixels + static_cast<size_t>(y) * w, static_cast<size_t>(w) * 4);
    if (w2 != w) row[w] = row[w - 1];
  }
  if (h2 != h) {
    const size_t copy = static_cast<size_t>(w2 != w ? w + 1 : w);
    std::memcpy(out + static_cast<size_t>(h) * w2, out + static_cast<size_t>(h - 1) * w2, copy * 4);
  }
  *width = w2;
  *height = h2;
  return out;
}
