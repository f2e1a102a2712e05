#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <set>

#include "runtime/core/core.h"

namespace {

TEST(VariableArena, RoundsEveryRequestUpToEightBytes) {
  arena_init();
  const struct {
    size_t request, taken;
  } cases[] = {{1, 8}, {8, 8}, {9, 16}, {0, 0}, {15, 16}};
  for (const auto& c : cases) {
    auto* a = static_cast<uint8_t*>(arena_alloc(c.request));
    auto* b = static_cast<uint8_t*>(arena_alloc(1));
    EXPECT_EQ(static_cast<size_t>(b - a), c.taken) << "request " << c.request;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 8, 0u);
  }
}

TEST(VariableArena, GrowsIntoANewBlockAndKeepsTheOldOne) {
  arena_init();
  auto* first = static_cast<int64_t*>(arena_alloc(8));
  *first = 0x1234567890;
  // Fill the first block, then ask for more than remains.
  arena_alloc(arena_first_block - 64);
  auto* big = static_cast<uint8_t*>(arena_alloc(4096));
  EXPECT_EQ(variable_arena.size, 4096 + 2 * arena_first_block);
  EXPECT_EQ(variable_arena.base, big);
  EXPECT_EQ(*first, 0x1234567890) << "a variable of the old block moved or was freed";
  for (int i = 0; i < 4096; ++i) ASSERT_EQ(big[i], 0);
}

TEST(VariableArena, ResetMovesTheTopBackWithinTheBlockOnly) {
  arena_init();
  void* a = arena_alloc(24);
  arena_alloc(100);
  arena_reset(a);
  EXPECT_EQ(arena_alloc(8), a);
  int outside = 0;
  arena_reset(&outside);
  EXPECT_EQ(arena_alloc(8), variable_arena.base);
}

TEST(LockPool, IdsAreUniqueAndRecordsAreReused) {
  std::set<uint64_t> ids;
  lock_record* taken[50];
  for (auto& r : taken) {
    ids.insert(lock_new());
    r = lock_current;
  }
  EXPECT_EQ(ids.size(), 50u);
  lock_record* freed = taken[10];
  freed->type = 1;
  freed->data = std::malloc(64);  // owned: released with the record
  lock_free(freed);
  EXPECT_EQ(freed->id, 0u);
  const uint64_t next = lock_new();
  EXPECT_EQ(lock_current, freed);
  EXPECT_EQ(lock_current->id, next);
  EXPECT_GT(next, *ids.rbegin());
  EXPECT_EQ(lock_current->data, nullptr);
}

}  // namespace
