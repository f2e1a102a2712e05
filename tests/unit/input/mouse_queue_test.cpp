#include "runtime/input/detail/input_internals.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/unit/input/mouse_test_support.h"

namespace {

void queues_ready() { mouse_test::runtime_ready(); }

mouse_entry at_x(int16_t x) {
  mouse_entry e;
  e.x = x;
  return e;
}

std::vector<int16_t> take_all(mouse_queue* q) {
  std::vector<int16_t> xs;
  for (mouse_entry e; mouse_queue_take(q, &e);) xs.push_back(e.x);
  return xs;
}

TEST(MouseQueue, StartUpMakesOneZeroedQueueThatIsFirstAndCurrent) {
  queues_ready();
  ASSERT_NE(first_mouse_queue, 0);
  EXPECT_EQ(current_mouse_queue, first_mouse_queue);
  mouse_queue* q = mouse_queue_get(first_mouse_queue);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->capacity, 65535);
  for (int32_t i = 0; i <= q->capacity; i += 4099) {
    const mouse_entry e = mouse_slot_load(q->entries[i]);
    EXPECT_EQ(e.x | e.y | e.move_x | e.move_y, 0) << i;
    EXPECT_EQ(e.buttons, 0u) << i;
  }
  EXPECT_EQ(mouse_queue_unread(q), 0);
}

TEST(MouseQueue, RingWrapsAndLosesTheOldestUnreadEntryWhenFull) {
  queues_ready();
  // Appends, takes, appends again; a queue of capacity 3 holds 3 unread entries.
  const struct {
    int16_t first_appends, takes, second_appends;
    std::vector<int16_t> taken_at_end;
  } cases[] = {
      {0, 0, 0, {}},
      {2, 0, 0, {1, 2}},
      {3, 0, 0, {1, 2, 3}},                    // full: nothing lost yet
      {4, 0, 0, {2, 3, 4}},                    // entry 1 lost
      {10, 0, 0, {8, 9, 10}},                  // seven lost, indices wrapped twice
      {3, 2, 2, {3, 4, 5}},                    // taking makes room across the wrap
      {3, 3, 4, {5, 6, 7}},                    // all taken, then one more than fits
      {2, 1, 0, {2}},
  };
  for (const auto& c : cases) {
    mouse_queue* q = mouse_queue_get(mouse_queue_new(3));
    ASSERT_NE(q, nullptr);
    int16_t next = 1;
    for (int16_t i = 0; i < c.first_appends; ++i) mouse_queue_append(q, at_x(next++));
    for (int16_t i = 0; i < c.takes; ++i) {
      mouse_entry e;
      ASSERT_TRUE(mouse_queue_take(q, &e));
    }
    for (int16_t i = 0; i < c.second_appends; ++i) mouse_queue_append(q, at_x(next++));
    EXPECT_EQ(mouse_queue_unread(q), static_cast<int32_t>(c.taken_at_end.size()));
    EXPECT_EQ(take_all(q), c.taken_at_end) << c.first_appends << "/" << c.takes << "/" << c.second_appends;
  }
}

TEST(MouseQueue, TheStartUpQueueKeepsItsNewest65535Entries) {
  queues_ready();
  mouse_queue* q = mouse_queue_get(mouse_queue_new(mouse_queue_last_index));
  for (int32_t i = 1; i <= 65537; ++i) mouse_queue_append(q, at_x(static_cast<int16_t>(i & 0x7FFF)));
  EXPECT_EQ(mouse_queue_unread(q), 65535);
  mouse_entry e;
  ASSERT_TRUE(mouse_queue_take(q, &e));
  EXPECT_EQ(e.x, 3);  // entries 1 and 2 were lost
}

TEST(MouseQueue, EntriesKeepEveryFieldWithItsSign) {
  queues_ready();
  mouse_queue* q = mouse_queue_get(mouse_queue_new(4));
  mouse_entry in;
  in.x = -32768;
  in.y = 32767;
  in.buttons = 0x80000011u;
  in.move_x = -1;
  in.move_y = 300;
  mouse_queue_append(q, in);
  EXPECT_EQ(mouse_queue_newest(q).buttons, in.buttons);
  mouse_entry out;
  ASSERT_TRUE(mouse_queue_take(q, &out));
  EXPECT_EQ(out.x, in.x);
  EXPECT_EQ(out.y, in.y);
  EXPECT_EQ(out.buttons, in.buttons);
  EXPECT_EQ(out.move_x, in.move_x);
  EXPECT_EQ(out.move_y, in.move_y);
}

// One thread appends while another takes: the reader sees whole entries in the
// order they were appended, none twice, and loses some only when it falls behind.
TEST(MouseQueue, AReaderOnAnotherThreadTakesEntriesInOrder) {
  queues_ready();
  mouse_queue* q = mouse_queue_get(mouse_queue_new(63));
  constexpr int32_t total = 200000;
  std::thread writer([q] {
    for (int32_t i = 1; i <= total; ++i) {
      mouse_entry e;
      e.x = static_cast<int16_t>(i & 0x7FFF);
      e.y = static_cast<int16_t>(i >> 15);
      e.buttons = static_cast<uint32_t>(i);
      mouse_queue_append(q, e);
    }
  });
  int32_t last = 0, taken = 0;
  bool in_order = true, whole = true;
  for (;;) {
    mouse_entry e;
    if (!mouse_queue_take(q, &e)) {
      if (last == total) break;
      std::this_thread::yield();
      continue;
    }
    const int32_t i = static_cast<int32_t>(e.buttons);
    if (e.x != static_cast<int16_t>(i & 0x7FFF) || e.y != static_cast<int16_t>(i >> 15)) whole = false;
    if (i <= last) in_order = false;
    last = i;
    ++taken;
  }
  writer.join();
  EXPECT_TRUE(in_order);
  EXPECT_TRUE(whole);
  EXPECT_LE(taken, total);
  EXPECT_EQ(last, total);
}

}  // namespace
