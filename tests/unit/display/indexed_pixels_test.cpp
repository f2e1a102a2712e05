// Each conversion path the processor runs, against the plain palette lookup,
// over masks, lengths and start offsets that reach the head, the wide body and
// the tail of every loop.
#include "runtime/display/detail/indexed_pixels.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

TEST(indexed_pixels, every_path_gives_the_palette_colour_and_the_copy_of_each_byte) {
  std::mt19937 rng(3);
  alignas(64) static uint8_t image[4096 + 64];
  for (uint8_t& b : image) b = static_cast<uint8_t>(rng());
  uint32_t palette[256];
  for (uint32_t& c : palette) c = static_cast<uint32_t>(rng());
  constexpr uint32_t out_guard = 0xDEADBEEF;
  constexpr uint8_t copy_guard = 0xA5;

  std::string ran;
  for (const index_path path : {index_path::plain, index_path::sse2, index_path::avx512_vbmi}) {
    if (!index_path_available(path)) continue;
    ran += std::to_string(static_cast<int>(path)) + " ";
    for (const uint32_t mask : {1u, 3u, 15u, 255u}) {
      for (const size_t offset : {0, 1, 15, 16, 33}) {
        for (const size_t n : {0, 1, 7, 8, 15, 16, 17, 63, 64, 65, 129, 200, 4000}) {
          SCOPED_TRACE("path " + std::to_string(static_cast<int>(path)) + " mask " + std::to_string(mask) +
                       " offset " + std::to_string(offset) + " n " + std::to_string(n));
          std::vector<uint32_t> out(n + 1, out_guard);
          std::vector<uint8_t> copy(n + 1, copy_guard);
          convert_indexed(path, out.data(), copy.data(), image + offset, n, palette, mask);
          for (size_t i = 0; i < n; ++i) {
            ASSERT_EQ(out[i], palette[image[offset + i] & mask]) << "pixel " << i;
            ASSERT_EQ(copy[i], image[offset + i]) << "byte " << i;
          }
          ASSERT_EQ(out[n], out_guard) << "written past the frame";
          ASSERT_EQ(copy[n], copy_guard) << "written past the copy";
        }
      }
    }
  }
  RecordProperty("paths", ran);
}

}  // namespace
