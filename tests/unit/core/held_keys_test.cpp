#include "runtime/input/input.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "runtime/core/core.h"

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
