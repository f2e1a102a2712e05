// The whole-image reads of shared memory against memcpy and memcmp, over
// lengths and offsets that reach the byte-wise ends and each block size of the
// wide loops, with the one differing byte at each end of a block.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/shared_memory.h"

namespace {

TEST(shared_memory, whole_block_reads_match_memcpy_and_memcmp) {
  alignas(64) static uint8_t shared[2048 + 64];
  for (size_t i = 0; i < sizeof shared; ++i) shared[i] = static_cast<uint8_t>(i * 7 + 3);
  for (const size_t offset : {0, 1, 16, 31, 33}) {
    for (const size_t n : {0, 1, 15, 16, 31, 32, 63, 64, 127, 128, 129, 255, 256, 300, 2000}) {
      SCOPED_TRACE("offset " + std::to_string(offset) + " n " + std::to_string(n));
      const uint8_t* from = shared + offset;
      std::vector<uint8_t> copy(n + 1, 0xA5);
      shared_get_bytes(copy.data(), from, n);
      ASSERT_EQ(std::memcmp(copy.data(), from, n), 0);
      ASSERT_EQ(copy[n], 0xA5) << "written past the end";

      EXPECT_TRUE(shared_bytes_equal(from, copy.data(), n));
      // One byte differs: first, last, and either side of the 16-, 32- and 128-byte blocks.
      for (const size_t at : {size_t{0}, n - 1, size_t{15}, size_t{16}, size_t{31}, size_t{32}, size_t{127},
                              size_t{128}, n / 2}) {
        if (n == 0 || at >= n) continue;
        copy[at] ^= 0x40;
        EXPECT_FALSE(shared_bytes_equal(from, copy.data(), n)) << "difference at " << at << " missed";
        copy[at] ^= 0x40;
      }
    }
  }
}

}  // namespace
