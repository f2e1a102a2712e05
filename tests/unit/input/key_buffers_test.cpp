// INKEY$: keys taken from the BIOS keyboard buffer that the keyboard fills.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "runtime/core/core.h"
#include "runtime/input/detail/input_internals.h"
#include "runtime/input/input.h"
#include "runtime/platform/platform.h"
#include "runtime/strings/strings.h"

namespace {

class Inkey : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!data_segment.empty_string) strings_init();
    mark = str_temp_mark();
    bios_key_buffer_reset();
    error_report.pending = 0;
  }
  void TearDown() override {
    str_cleanup(mark);
    bios_key_buffer_reset();
    error_report.pending = 0;
  }
  static std::string take() {
    const str_desc* s = inkey();
    return std::string(reinterpret_cast<const char*>(s->chars), static_cast<size_t>(s->len));
  }
  uint32_t mark = 0;
};

TEST_F(Inkey, EmptyRingGivesTheEmptyString) {
  EXPECT_EQ(take(), "");
  EXPECT_EQ(cm_read16(bios_kbd_head), bios_kbd_first);
}

TEST_F(Inkey, OrdinaryAndExtendedKeys) {
  ASSERT_TRUE(bios_key_buffer_put('4', 0x05));
  ASSERT_TRUE(bios_key_buffer_put(0, 0x48));   // Up
  ASSERT_TRUE(bios_key_buffer_put(0xE0, 0x48));  // grey Up of an enhanced read: the character counts
  ASSERT_TRUE(bios_key_buffer_put(0, 0));      // no scan code: CHR$(0) alone
  ASSERT_TRUE(bios_key_buffer_put(13, 0x1C));
  EXPECT_EQ(take(), "4");
  EXPECT_EQ(take(), std::string("\0\x48", 2));
  EXPECT_EQ(take(), "\xE0");
  EXPECT_EQ(take(), std::string("\0", 1));
  EXPECT_EQ(take(), "\r");
  EXPECT_EQ(take(), "");
}

// A program polling INKEY$ in a tight loop is held in short waits for keys;
// keys the window thread puts in meanwhile, in bursts and one by one, all
// arrive, in order.
TEST_F(Inkey, TightPollingLoopGetsEveryKeyInOrder) {
  constexpr int keys = 400;
  std::atomic<bool> stop{false};
  std::thread keyboard([&] {
    for (int i = 0; i < keys && !stop.load(); ++i) {
      while (!bios_key_buffer_put(static_cast<uint8_t>('a' + i % 26), 0x1E) && !stop.load()) platform_sleep(1);
      if (i % 50 < 10) platform_sleep(i % 3);  // now and then slower than the polls
    }
  });
  std::string got;
  const int64_t deadline = ms_counter() + 10000;
  while (static_cast<int>(got.size()) < keys && ms_counter() < deadline) {
    got += take();
    str_cleanup(mark);
  }
  stop.store(true);
  keyboard.join();
  std::string expected;
  for (int i = 0; i < keys; ++i) expected += static_cast<char>('a' + i % 26);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(take(), "");
}

TEST_F(Inkey, TheHeadWrapsAtTheEndOfTheRing) {
  // 40 keys in and out, one at a time: the head passes 0x3C and restarts at 0x1E.
  for (int i = 0; i < 40; ++i) {
    const uint16_t head = cm_read16(bios_kbd_head);
    ASSERT_TRUE(bios_key_buffer_put(static_cast<uint8_t>('A' + i % 26), 0x1E));
    EXPECT_EQ(take(), std::string(1, static_cast<char>('A' + i % 26))) << i;
    EXPECT_EQ(cm_read16(bios_kbd_head), head == 0x3C ? 0x1E : head + 2) << i;
  }
}

TEST_F(Inkey, FifteenKeysFitAndComeOutInOrder) {
  for (int i = 0; i < 15; ++i) ASSERT_TRUE(bios_key_buffer_put(static_cast<uint8_t>('a' + i), 0x10)) << i;
  EXPECT_FALSE(bios_key_buffer_put('z', 0x2C));
  std::string got;
  for (std::string k; !(k = take()).empty();) got += k;
  EXPECT_EQ(got, "abcdefghijklmno");
}

TEST_F(Inkey, NothingIsTakenWhileAnErrorIsPending) {
  ASSERT_TRUE(bios_key_buffer_put('x', 0x2D));
  error_report.pending = 5;
  EXPECT_EQ(take(), "");
  error_report.pending = 0;
  EXPECT_EQ(take(), "x");
}

TEST_F(Inkey, OffsetsAProgramPokedOutsideTheRingAreRecovered) {
  ASSERT_TRUE(bios_key_buffer_put('a', 0x1E));
  cm_write16(bios_kbd_head, 0x50);  // beyond the slots
  EXPECT_EQ(take(), "");
  EXPECT_EQ(cm_read16(bios_kbd_head), cm_read16(bios_kbd_tail));
  ASSERT_TRUE(bios_key_buffer_put('b', 0x30));
  EXPECT_EQ(take(), "b");
  cm_write16(bios_kbd_head, 0x21);  // odd: between two slots
  EXPECT_EQ(take(), "");
  cm_write16(bios_kbd_tail, 0x7000);  // a bad tail: nothing to read until the next key restarts it
  EXPECT_EQ(take(), "");
  EXPECT_EQ(cm_read16(bios_kbd_head), bios_kbd_first);
  ASSERT_TRUE(bios_key_buffer_put('c', 0x2E));
  EXPECT_EQ(take(), "c");
  EXPECT_EQ(take(), "");
}

}  // namespace
