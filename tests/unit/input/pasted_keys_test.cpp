// Pasted text typed as keys: what each character types, and a text far longer
// than the BIOS buffer arriving whole and in order at a program that reads
// slowly while the keyboard is in use.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/unit/input/key_test_support.h"

namespace {

class PastedKeys : public ::testing::Test {
 protected:
  void SetUp() override { key_test::reset_key_state(); }
  void TearDown() override {
    paste_stop();
    key_test::reset_key_state();
  }
  // What the program reads, as (scan << 8) | character, through its own take.
  static std::vector<uint16_t> take_all() {
    std::vector<uint16_t> keys;
    for (uint8_t c, s; bios_key_take(&c, &s);) keys.push_back(static_cast<uint16_t>(s << 8 | c));
    return keys;
  }
};

TEST_F(PastedKeys, CharactersBecomeTheKeysThatTypeThem) {
  const struct {
    std::string text;
    std::vector<uint16_t> keys;
  } cases[] = {
      {"48000\r\n", {0x0534, 0x0938, 0x0B30, 0x0B30, 0x0B30, 0x1C0D}},
      {"a\nb\rc\r\r\n", {0x1E61, 0x1C0D, 0x3062, 0x1C0D, 0x2E63, 0x1C0D, 0x1C0D}},  // LF, CR and CR LF each one Enter
      {"\tA", {0x0F09, 0x1E41}},
      {std::string("\x01\x1B\x08\x7F\0x", 6), {0x2D78}},  // control codes, 127 and 0 type nothing
      {"\x82\xFA", {0x0082, 0x00FA}},                      // no key of their own: scan code 0
  };
  for (const auto& c : cases) EXPECT_EQ(paste_keys_of(c.text), c.keys) << c.text;
}

TEST_F(PastedKeys, LongTextArrivesInOrderAtASlowReaderWhileKeysAreTyped) {
  std::string text;
  for (int i = 0; text.size() < 1000; ++i) text += "line " + std::to_string(i) + "\t" + std::string(i % 7, 'x') + "\r\n";
  const std::vector<uint16_t> expected = paste_keys_of(text);

  paste_start(text);
  EXPECT_TRUE(paste_running());
  EXPECT_EQ(key_test::bios_all().size(), 15u);  // the buffer is full at once
  paste_stop();
  key_test::reset_key_state();

  // The window thread's key handlers write the ring's tail too: Shift goes down
  // and up meanwhile (no buffer entry), and nothing may be lost or reordered.
  paste_start(text);
  std::atomic<bool> done{false};
  std::thread keyboard([&done] {
    while (!done.load()) {
      key_down(kc_left_shift);
      key_up(kc_left_shift);
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  });
  std::vector<uint16_t> got;
  for (int idle = 0; idle < 100 && got.size() < expected.size();) {
    uint8_t c, s;
    if (bios_key_take(&c, &s)) {
      got.push_back(static_cast<uint16_t>(s << 8 | c));
      idle = 0;
    } else {
      ++idle;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  done.store(true);
  keyboard.join();
  EXPECT_EQ(got, expected);
  EXPECT_FALSE(paste_running());
}

TEST_F(PastedKeys, AStopLeavesOnlyWhatTheBufferHolds) {
  paste_start(std::string(100, 'q'));
  std::vector<uint16_t> got = take_all();
  ASSERT_EQ(got, paste_keys_of(std::string(100, 'q')));  // each take topped the buffer up
  paste_start("abcdefghijklmnopqrstuvwxyz");
  uint8_t c, s;
  ASSERT_TRUE(bios_key_take(&c, &s));
  EXPECT_EQ(c, 'a');
  paste_stop();  // a real key: what the buffer holds stays, the rest never comes
  EXPECT_FALSE(paste_running());
  EXPECT_EQ(take_all(), paste_keys_of("bcdefghijklmno"));
  // A paste started afresh replaces the part of one under way still waiting.
  paste_start(std::string(50, 'a'));
  paste_start("two");
  EXPECT_EQ(take_all(), paste_keys_of(std::string(15, 'a') + "two"));
}

}  // namespace
