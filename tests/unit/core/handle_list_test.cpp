#include "runtime/core/core.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <thread>
#include <vector>

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
