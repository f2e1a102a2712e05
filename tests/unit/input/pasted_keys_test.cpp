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
  paste_stop();  // a real key: the rest never comes
  EXPECT_FALSE(paste_running());
  uint8_t c, s;
  EXPECT_FALSE(bios_key_take(&c, &s));

  // The window thread's key handlers put keys in too ('z', which the text
  // lacks): the pasted keys among them come whole and in order.
  paste_start(text);
  std::atomic<bool> done{false};
  std::thread keyboard([&done] {
    for (int i = 0; i < 300 && !done.load(); ++i) {
      key_down('z');
      key_up('z');
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  std::vector<uint16_t> got;
  int32_t typed = 0;
  for (int idle = 0; idle < 100 && got.size() < expected.size();) {
    uint8_t ch, scan;
    if (bios_key_take(&ch, &scan)) {
      if (ch == 'z')
        ++typed;
      else
        got.push_back(static_cast<uint16_t>(scan << 8 | ch));
      idle = 0;
    } else {
      ++idle;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  done.store(true);
  keyboard.join();
  EXPECT_EQ(got, expected);
  EXPECT_GT(typed, 0);
  EXPECT_FALSE(paste_running());
}

}  // namespace
