#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

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
    r = lock_newest();
  }
  EXPECT_EQ(ids.size(), 50u);
  lock_record* freed = taken[10];
  freed->type = 1;
  freed->data = std::malloc(64);  // owned: released with the record
  lock_free(freed);
  EXPECT_EQ(freed->id, 0u);
  const uint64_t next = lock_new();
  EXPECT_EQ(lock_newest(), freed);
  EXPECT_EQ(lock_newest()->id, next);
  EXPECT_GT(next, *ids.rbegin());
  EXPECT_EQ(lock_newest()->data, nullptr);
}

}  // namespace

namespace {

// Lists live for the whole process; keeping them here keeps them reachable.
list* process_list(int32_t element_size, bool locked = false) {
  static auto* lists = new std::vector<list*>;
  lists->push_back(locked ? list_new_locked(element_size) : list_new(element_size));
  return lists->back();
}

TEST(HandleList, HandsOutHandlesInOrderAndReusesTheLastFreedZeroFilled) {
  list* l = process_list(16);
  for (int32_t expected = 1; expected <= 20; ++expected) {
    const int32_t h = list_add(l);
    ASSERT_EQ(h, expected);
    std::memset(list_get(l, h), 0xAB, 16);
  }
  EXPECT_EQ(list_remove(l, 2), -1);
  EXPECT_EQ(list_remove(l, 9), -1);
  EXPECT_EQ(list_add(l), 9);  // last freed first
  EXPECT_EQ(list_add(l), 2);
  const auto* bytes = static_cast<const uint8_t*>(list_get(l, 2));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i;
  EXPECT_EQ(list_add(l), 21);
}

TEST(HandleList, RemoveAndGetRespectBoundsAndFreeSlots) {
  list* l = process_list(4);
  list_add(l);
  list_add(l);
  list_add(l);
  struct {
    int32_t handle;
    int32_t removed;
  } cases[] = {{0, 0}, {-1, 0}, {4, 0}, {2, -1}, {2, 0}};
  for (const auto& c : cases) EXPECT_EQ(list_remove(l, c.handle), c.removed) << c.handle;
  EXPECT_EQ(list_get(l, 0), nullptr);
  EXPECT_EQ(list_get(l, 4), nullptr);  // count + 1
  EXPECT_EQ(list_get(l, 2), nullptr);  // freed
  EXPECT_NE(list_get(l, 3), nullptr);
}

TEST(HandleList, ElementsNeverMoveAsTheListGrows) {
  list* l = process_list(8);
  std::vector<void*> where;
  for (int i = 0; i < 5000; ++i) {
    const int32_t h = list_add(l);
    *static_cast<int64_t*>(list_get(l, h)) = h * 7;
    where.push_back(list_get(l, h));
  }
  for (int32_t h = 1; h <= 5000; ++h) {
    ASSERT_EQ(list_get(l, h), where[h - 1]);
    ASSERT_EQ(*static_cast<int64_t*>(list_get(l, h)), h * 7);
  }
}

TEST(HandleList, LockedListKeepsHandlesUniqueUnderConcurrentAddAndRemove) {
  list* l = process_list(8, true);
  constexpr int threads = 4, rounds = 2000;
  std::vector<std::vector<int32_t>> kept(threads);
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      for (int i = 0; i < rounds; ++i) {
        const int32_t h = list_add(l);
        *static_cast<int64_t*>(list_get(l, h)) = t;
        if (i % 2)
          kept[t].push_back(h);
        else
          list_remove(l, h);
      }
    });
  }
  for (auto& w : workers) w.join();
  std::set<int32_t> all;
  for (int t = 0; t < threads; ++t) {
    for (int32_t h : kept[t]) {
      EXPECT_TRUE(all.insert(h).second) << "handle " << h << " handed out twice";
      ASSERT_NE(list_get(l, h), nullptr);
      EXPECT_EQ(*static_cast<int64_t*>(list_get(l, h)), t);
    }
  }
  EXPECT_EQ(all.size(), static_cast<size_t>(threads * rounds / 2));
}

}  // namespace
