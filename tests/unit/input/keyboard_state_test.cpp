// The translation table against the IBM PC enhanced-keyboard BIOS codes (INT 16h
// extended read, AX = scan << 8 | character) for every key of a 105-key keyboard
// with the US layout: each key is pressed plain, with Shift, Ctrl and Alt
// through key_down, and the BIOS buffer must hold the BIOS's word.
#include <initializer_list>

#include <gtest/gtest.h>

#include "runtime/core/core.h"
#include "runtime/input/input.h"
#include "tests/unit/input/key_test_support.h"

namespace {

constexpr int32_t none = -1;   // the BIOS gives nothing
constexpr int32_t taken = -2;  // the combination is the runtime's own (Alt+F4, Alt+Enter)

struct bios_key {
  const char* name;
  int32_t code;          // key code of the key as the window delivers it
  int32_t shifted_code;  // with Shift held (the shifted character for character keys)
  int32_t plain, shift, ctrl, alt;
};

// The grey keys' 0xE0 marker byte of the extended read reads as 0 here (and the
// keypad's / and Enter carry their own scan code), as in the standard read.
// Where the runtime's table departs from the BIOS it says so.
constexpr bios_key keys[] = {
    {"Esc", 27, 27, 0x011B, 0x011B, 0x011B, 0x0100},
    {"F1", 0x3B00, 0x3B00, 0x3B00, 0x5400, 0x5E00, 0x6800},
    {"F2", 0x3C00, 0x3C00, 0x3C00, 0x5500, 0x5F00, 0x6900},
    {"F3", 0x3D00, 0x3D00, 0x3D00, 0x5600, 0x6000, 0x6A00},
    {"F4", 0x3E00, 0x3E00, 0x3E00, 0x5700, 0x6100, taken},
    {"F5", 0x3F00, 0x3F00, 0x3F00, 0x5800, 0x6200, 0x6C00},
    {"F6", 0x4000, 0x4000, 0x4000, 0x5900, 0x6300, 0x6D00},
    {"F7", 0x4100, 0x4100, 0x4100, 0x5A00, 0x6400, 0x6E00},
    {"F8", 0x4200, 0x4200, 0x4200, 0x5B00, 0x6500, 0x6F00},
    {"F9", 0x4300, 0x4300, 0x4300, 0x5C00, 0x6600, 0x7000},
    {"F10", 0x4400, 0x4400, 0x4400, 0x5D00, 0x6700, 0x7100},
    {"F11", 0x8500, 0x8500, 0x8500, 0x8500 /* BIOS 0x8700 */, 0x8900, 0x8B00},
    {"F12", 0x8600, 0x8600, 0x8600, 0x8800, 0x8A00, 0x8C00},
    {"`", '`', '~', 0x2960, 0x297E, none, 0x2900},
    {"1", '1', '!', 0x0231, 0x0221, none, 0x7800},
    {"2", '2', '@', 0x0332, 0x0340, 0x0300, 0x7900},
    {"3", '3', '#', 0x0433, 0x0423, none, 0x7A00},
    {"4", '4', '$', 0x0534, 0x0524, none, 0x7B00},
    {"5", '5', '%', 0x0635, 0x0625, none, 0x7C00},
    {"6", '6', '^', 0x0736, 0x075E, 0x071E, 0x7D00},
    {"7", '7', '&', 0x0837, 0x0826, none, 0x7E00},
    {"8", '8', '*', 0x0938, 0x092A, none, 0x7F00},
    {"9", '9', '(', 0x0A39, 0x0A28, none, 0x8000},
    {"0", '0', ')', 0x0B30, 0x0B29, none, 0x8100},
    {"-", '-', '_', 0x0C2D, 0x0C5F, 0x0C1F, 0x8200},
    {"=", '=', '+', 0x0D3D, 0x0D2B, none, 0x8300},
    {"Backspace", 8, 8, 0x0E08, 0x0E08, 0x0E7F, 0x0E00},
    {"Tab", 9, 9, 0x0F09, 0x0F00, 0x9400, none /* BIOS 0xA500; the window system takes Alt+Tab */},
    {"q", 'q', 'Q', 0x1071, 0x1051, 0x1011, 0x1000},
    {"w", 'w', 'W', 0x1177, 0x1157, 0x1117, 0x1100},
    {"e", 'e', 'E', 0x1265, 0x1245, 0x1205, 0x1200},
    {"r", 'r', 'R', 0x1372, 0x1352, 0x1312, 0x1300},
    {"t", 't', 'T', 0x1474, 0x1454, 0x1414, 0x1400},
    {"y", 'y', 'Y', 0x1579, 0x1559, 0x1519, 0x1500},
    {"u", 'u', 'U', 0x1675, 0x1655, 0x1615, 0x1600},
    {"i", 'i', 'I', 0x1769, 0x1749, 0x1709, 0x1700},
    {"o", 'o', 'O', 0x186F, 0x184F, 0x180F, 0x1800},
    {"p", 'p', 'P', 0x1970, 0x1950, 0x1910, 0x1900},
    {"[", '[', '{', 0x1A5B, 0x1A7B, 0x1A1B, 0x1A00},
    {"]", ']', '}', 0x1B5D, 0x1B7D, 0x1B1D, 0x1B00},
    {"\\", '\\', '|', 0x2B5C, 0x2B7C, 0x2B1C, 0x2B00},
    {"a", 'a', 'A', 0x1E61, 0x1E41, 0x1E01, 0x1E00},
    {"s", 's', 'S', 0x1F73, 0x1F53, 0x1F13, 0x1F00},
    {"d", 'd', 'D', 0x2064, 0x2044, 0x2004, 0x2000},
    {"f", 'f', 'F', 0x2166, 0x2146, 0x2106, 0x2100},
    {"g", 'g', 'G', 0x2267, 0x2247, 0x2207, 0x2200},
    {"h", 'h', 'H', 0x2368, 0x2348, 0x2308, 0x2300},
    {"j", 'j', 'J', 0x246A, 0x244A, 0x240A, 0x2400},
    {"k", 'k', 'K', 0x256B, 0x254B, 0x250B, 0x2500},
    {"l", 'l', 'L', 0x266C, 0x264C, 0x260C, 0x2600},
    {";", ';', ':', 0x273B, 0x273A, none, 0x2700},
    {"'", '\'', '"', 0x2827, 0x2822, none, 0x2800},
    {"Enter", 13, 13, 0x1C0D, 0x1C0D, 0x1C0A, taken},
    {"z", 'z', 'Z', 0x2C7A, 0x2C5A, 0x2C1A, 0x2C00},
    {"x", 'x', 'X', 0x2D78, 0x2D58, 0x2D18, 0x2D00},
    {"c", 'c', 'C', 0x2E63, 0x2E43, 0x2E03, 0x2E00},
    {"v", 'v', 'V', 0x2F76, 0x2F56, 0x2F16, 0x2F00},
    {"b", 'b', 'B', 0x3062, 0x3042, 0x3002, 0x3000},
    {"n", 'n', 'N', 0x316E, 0x314E, 0x310E, 0x3100},
    {"m", 'm', 'M', 0x326D, 0x324D, 0x320D, 0x3200},
    {",", ',', '<', 0x332C, 0x333C, none, 0x3300},
    {".", '.', '>', 0x342E, 0x343E, none, 0x3400},
    {"/", '/', '?', 0x352F, 0x353F, none, 0x3500},
    {"Space", ' ', ' ', 0x3920, 0x3920, 0x3920, 0x3920},
    {"Insert", 0x5200, 0x5200, 0x5200, 0x5200, 0x9200, 0xA200},
    {"Home", 0x4700, 0x4700, 0x4700, 0x4700, 0x7700, 0x9700},
    {"Page Up", 0x4900, 0x4900, 0x4900, 0x4900, 0x8400, 0x9900},
    {"Delete", 0x5300, 0x5300, 0x5300, 0x5300, 0x9300, 0xA300},
    {"End", 0x4F00, 0x4F00, 0x4F00, 0x4F00, 0x7500, 0x9F00},
    {"Page Down", 0x5100, 0x5100, 0x5100, 0x5100, 0x7600, 0xA100},
    {"Up", 0x4800, 0x4800, 0x4800, 0x4800, 0x8D00, 0x9800},
    {"Left", 0x4B00, 0x4B00, 0x4B00, 0x4B00, 0x7300, 0x9B00},
    {"Down", 0x5000, 0x5000, 0x5000, 0x5000, 0x9100, 0xA000},
    {"Right", 0x4D00, 0x4D00, 0x4D00, 0x4D00, 0x7400, 0x9D00},
    // The keypad with Num Lock off (Shift gives the digits) ...
    {"keypad 0/Ins", 200000, 200000, 0x5200, 0x5230, 0x9200, none},
    {"keypad 1/End", 200001, 200001, 0x4F00, 0x4F31, 0x7500, none},
    {"keypad 2/Down", 200002, 200002, 0x5000, 0x5032, 0x9100, none},
    {"keypad 3/PgDn", 200003, 200003, 0x5100, 0x5133, 0x7600, none},
    {"keypad 4/Left", 200004, 200004, 0x4B00, 0x4B34, 0x7300, none},
    {"keypad 5", 200005, 200005, 0x4C00, 0x4C35, 0x8F00, none},
    {"keypad 6/Right", 200006, 200006, 0x4D00, 0x4D36, 0x7400, none},
    {"keypad 7/Home", 200007, 200007, 0x4700, 0x4737, 0x7700, none},
    {"keypad 8/Up", 200008, 200008, 0x4800, 0x4838, 0x8D00, none},
    {"keypad 9/PgUp", 200009, 200009, 0x4900, 0x4939, 0x8400, none},
    {"keypad ./Del", 200010, 200010, 0x5300, 0x532E, 0x9300, none},
    // ... and with Num Lock on (Shift gives the cursor keys).
    {"keypad 0", 100256, 100256, 0x5230, 0x5200, 0x9200, none},
    {"keypad 1", 100257, 100257, 0x4F31, 0x4F00, 0x7500, none},
    {"keypad 2", 100258, 100258, 0x5032, 0x5000, 0x9100, none},
    {"keypad 3", 100259, 100259, 0x5133, 0x5100, 0x7600, none},
    {"keypad 4", 100260, 100260, 0x4B34, 0x4B00, 0x7300, none},
    {"keypad 5 (Num Lock)", 100261, 100261, 0x4C35, 0x4C00, 0x8F00, none},
    {"keypad 6", 100262, 100262, 0x4D36, 0x4D00, 0x7400, none},
    {"keypad 7", 100263, 100263, 0x4737, 0x4700, 0x7700, none},
    {"keypad 8", 100264, 100264, 0x4838, 0x4800, 0x8D00, none},
    {"keypad 9", 100265, 100265, 0x4939, 0x4900, 0x8400, none},
    {"keypad .", 100266, 100266, 0x532E, 0x5300, 0x9300, none},
    {"keypad /", 100267, 100267, 0x352F, 0x352F, 0x9500, 0xA400},
    {"keypad *", 100268, 100268, 0x372A, 0x372A, 0x9600, 0x3700},
    {"keypad -", 100269, 100269, 0x4A2D, 0x4A2D, 0x8E00, 0x4A00},
    {"keypad +", 100270, 100270, 0x4E2B, 0x4E2B, 0x9000, 0x4E00},
    {"keypad Enter", 100271, 100271, 0x1C0D, 0x1C0D, 0x1C0A, 0xA600},
};

class TranslationTable : public ::testing::Test {
 protected:
  void SetUp() override { key_test::reset_key_state(); }
};

// What one press of code with modifier (0 for none) leaves in the BIOS buffer.
int32_t press_with(int32_t modifier, int32_t code) {
  key_test::reset_key_state();
  if (modifier) key_down(modifier);
  key_down(code);
  const std::vector<int32_t> got = key_test::bios_all();
  if (run_flags.exit_request != 0 || run_flags.stop_request != 0 || full_screen_settings.request != -1) return taken;
  if (got.empty()) return none;
  EXPECT_EQ(got.size(), 1u);
  return got[0];
}

TEST_F(TranslationTable, EveryKeyOfA105KeyKeyboardGivesTheBiosCodes) {
  for (const auto& k : keys) {
    SCOPED_TRACE(k.name);
    const int32_t num_lock = (k.code >= 100256 && k.code <= 100266) ? kc_num_lock : 0;
    auto with = [&](int32_t modifier, int32_t code) {
      if (!num_lock) return press_with(modifier, code);
      key_test::reset_key_state();
      key_down(kc_num_lock);
      if (modifier) key_down(modifier);
      key_down(code);
      const std::vector<int32_t> got = key_test::bios_all();
      return got.empty() ? none : got[0];
    };
    EXPECT_EQ(with(0, k.code), k.plain);
    EXPECT_EQ(with(kc_left_shift, k.shifted_code), k.shift);
    EXPECT_EQ(with(kc_right_shift, k.shifted_code), k.shift);
    EXPECT_EQ(with(kc_left_ctrl, k.code), k.ctrl);
    EXPECT_EQ(with(kc_right_ctrl, k.code), k.ctrl);
    EXPECT_EQ(with(kc_left_alt, k.code), k.alt);
    EXPECT_EQ(with(kc_right_alt, k.code), k.alt);
  }
}

TEST_F(TranslationTable, ModifiersAndLocksBufferNothingAndSendTheirMakeCodes) {
  const struct {
    int32_t code, make;
  } modifiers[] = {{kc_left_shift, 42}, {kc_right_shift, 54}, {kc_left_ctrl, 29}, {kc_right_ctrl, 29},
                   {kc_left_alt, 56},   {kc_right_alt, 56},   {kc_caps_lock, 58}, {kc_num_lock, 69},
                   {kc_scroll_lock, 70}};
  for (const auto& m : modifiers) {
    key_test::reset_key_state();
    key_down(m.code);
    key_up(m.code);
    EXPECT_TRUE(key_test::bios_all().empty()) << m.code;
    EXPECT_EQ(port60_contents(), (std::vector<uint8_t>{static_cast<uint8_t>(m.make),
                                                      static_cast<uint8_t>(m.make + 128)}))
        << m.code;
  }
}

TEST_F(TranslationTable, RowsHaveTheDocumentedShape) {
  int32_t single_byte_keys = 0, two_byte_keys = 0;
  for (int32_t r = 0; r < key_table_rows; ++r) {
    const auto& row = key_translation_table[r];
    EXPECT_EQ(row[7], 0);
    EXPECT_EQ(row[8], 0);
    if (r < 256 && row[kt_make] != 0) ++single_byte_keys;
    if (r >= 256 && r < 512 && row[kt_make] != 0) ++two_byte_keys;
    if (r >= 256 && r < 512) {
      EXPECT_EQ(row[kt_id], r - 256);
    }
    if (r >= 512) {
      EXPECT_EQ(row[kt_id], r);
    } else {
      EXPECT_EQ(row[kt_num_lock], 0) << r;
    }
  }
  EXPECT_EQ(single_byte_keys, 99);
  EXPECT_EQ(two_byte_keys, 23);  // F1-F12, the ten grey keys and the keypad centre (no codes)
  EXPECT_EQ(key_translation_table['A'][kt_id], 'a');
  // The rows the key handling is described by.
  const struct {
    int32_t row, make, plain, shift, ctrl, alt, num, num_shift;
  } telling[] = {
      {8, 14, 8, 8, 127, 0x0E00, 0, 0},
      {9, 15, 9, 0x0F00, 0x9400, 0, 0, 0},
      {13, 28, 13, 13, 10, 0, 0, 0},
      {97, 30, 97, 65, 1, 0x1E00, 0, 0},
      {48, 11, 48, 48, 0, 0x8100, 0, 0},
      {256 + 0x3B, 59, 0x3B00, 0x5400, 0x5E00, 0x6800, 0, 0},
      {256 + 0x48, 72, 0x4800, 0x4800, 0x8D00, 0x9800, 0, 0},
      {256 + 0x85, 87, 0x8500, 0x8500, 0x8900, 0x8B00, 0, 0},
      {256 + 0x4C, 76, 0, 0, 0, 0, 0, 0},
      {512, 82, 0x5200, 48, 0x9200, 0, 48, 0x5200},
      {517, 76, 0x4C00, 53, 0x8F00, 0, 53, 0x4C00},
      {523, 53, 47, 47, 0x9500, 0xA400, 47, 47},
      {527, 28, 13, 13, 10, 0xA600, 13, 13},
  };
  for (const auto& t : telling) {
    const auto& row = key_translation_table[t.row];
    EXPECT_EQ((std::array<int32_t, 7>{row[1], row[2], row[3], row[4], row[5], row[6], row[9]}),
              (std::array<int32_t, 7>{t.make, t.plain, t.shift, t.ctrl, t.alt, t.num, t.num_shift}))
        << "row " << t.row;
  }
}

}  // namespace

namespace {

void hold_only(std::initializer_list<int32_t> codes) {
  for (int32_t c : {kc_num_lock, kc_caps_lock, kc_scroll_lock, kc_right_shift, kc_left_shift,
                    kc_right_ctrl, kc_left_ctrl, kc_right_alt, kc_left_alt, kc_sys_req, kc_pause,
                    kc_insert, kc_scroll_state, kc_insert_state, 13, 100271, 0x4800, 200008})
    held_keys_remove(c);
  for (int32_t c : codes) held_keys_add(c, 0);
  update_shift_flags();
}

TEST(ShiftFlags, MirrorTheHeldKeysInTheThreeBiosBytes) {
  const struct {
    std::initializer_list<int32_t> held;
    uint8_t b417, b418, b496;
  } cases[] = {
      {{}, 0x00, 0x00, 0x10},
      {{kc_right_shift}, 0x01, 0x00, 0x10},
      {{kc_left_shift}, 0x02, 0x00, 0x10},
      {{kc_left_ctrl}, 0x04, 0x01, 0x10},
      {{kc_right_ctrl}, 0x04, 0x00, 0x11},
      {{kc_left_alt}, 0x08, 0x02, 0x10},
      {{kc_right_alt}, 0x08, 0x00, 0x12},
      {{kc_scroll_state, kc_scroll_lock}, 0x10, 0x10, 0x10},
      {{kc_num_lock, kc_caps_lock}, 0x60, 0x00, 0x10},
      {{kc_insert_state, kc_insert}, 0x80, 0x80, 0x10},
      {{kc_sys_req, kc_pause}, 0x00, 0x0C, 0x10},
  };
  for (const auto& c : cases) {
    hold_only(c.held);
    EXPECT_EQ(cm_read8(0x417), c.b417);
    EXPECT_EQ(cm_read8(0x418), c.b418);
    EXPECT_EQ(cm_read8(0x496), c.b496);
  }
}

TEST(KeyHeld, FindsKeypadTwinsAndStoresNoDuplicates) {
  hold_only({100271, 200008});
  EXPECT_EQ(key_held(100271), 1);
  EXPECT_EQ(key_held(13), 1);      // Enter retried as keypad Enter
  EXPECT_EQ(key_held(0x4800), 1);  // Up retried as keypad Up with Num Lock off
  EXPECT_EQ(key_held(0x4D00), 0);
  hold_only({13});
  held_keys_add(13, 0);
  held_keys_remove(13);
  EXPECT_EQ(key_held(13), 0) << "a duplicate entry survived the removal";
}

}  // namespace
