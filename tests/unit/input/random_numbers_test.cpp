// RANDOMIZE and RND over the 24-bit seed.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/input/input.h"

namespace {

uint32_t next_seed(uint32_t seed) { return (seed * 16598013u + 12820163u) & 0xFFFFFF; }

TEST(RandomNumbers, RndAdvancesTheSeedFromItsStartValue) {
  random_numbers_reset();
  uint32_t seed = 0x50000;
  for (int i = 0; i < 5; ++i) {
    seed = next_seed(seed);
    EXPECT_EQ(rnd(1, 0), static_cast<float>(seed) / 16777216.0f) << i;  // n not given: 1
    EXPECT_EQ(random_numbers.seed, seed);
  }
  random_numbers_reset();
  EXPECT_EQ(rnd(5, 1), static_cast<float>(next_seed(0x50000)) / 16777216.0f);
}

TEST(RandomNumbers, ZeroRepeatsTheLastValue) {
  random_numbers_reset();
  const float first = rnd(1, 1);
  EXPECT_EQ(rnd(0, 1), first);
  EXPECT_EQ(rnd(0, 1), first);
  EXPECT_NE(rnd(1, 1), first);
}

TEST(RandomNumbers, NegativeArgumentReseedsFromItsBits) {
  const float n = -1.0f;  // bits 0xBF800000
  random_numbers.seed = 12345;
  const float a = rnd(n, 1);
  EXPECT_EQ(random_numbers.seed, next_seed((0xBF800000u & 0xFFFFFF) + (0xBF800000u >> 24)));
  random_numbers.seed = 999;
  EXPECT_EQ(rnd(n, 1), a);  // the same negative argument gives the same value
  for (int i = 0; i < 1000; ++i) {
    const float v = rnd(1, 1);
    ASSERT_GE(v, 0.0f);
    ASSERT_LT(v, 1.0f);
  }
}

TEST(RandomNumbers, RandomizeSetsTheUpperSixteenBits) {
  // 1.0 as a double: upper 32 bits 0x3FF00000; folded: 0x3FF00000 ^ 0x3FF0 -> low 16 bits 0x3FF0.
  random_numbers.seed = 0x1234AB;
  randomize_number(1.0);
  EXPECT_EQ(random_numbers.seed, (0x3FF0u << 8) | 0xAB);
  // The restarting form takes the low byte of the start value (0x00).
  random_numbers.seed = 0x1234AB;
  randomize_restart(1.0);
  EXPECT_EQ(random_numbers.seed, 0x3FF0u << 8);
  // -32768: upper bits 0xC0E00000, folded low 16 bits 0xC0E0.
  random_numbers.seed = 0x000001;
  randomize_number(-32768.0);
  EXPECT_EQ(random_numbers.seed, (0xC0E0u << 8) | 0x01);
}

}  // namespace
