#pragma once
// Key codes: 1-255 characters, scan code x 256 for two-byte keys, 100000 + n for
// lock, modifier and Num Lock keypad keys, 200000 + n for keypad keys with Num
// Lock off and the lock-state pseudo-keys.
#include <cstdint>

constexpr int32_t kc_pause = 100019;
constexpr int32_t kc_keypad_0 = 100256;      // keypad 0-9 with Num Lock on: 100256-100265
constexpr int32_t kc_keypad_point = 100266;
constexpr int32_t kc_keypad_divide = 100267;
constexpr int32_t kc_keypad_multiply = 100268;
constexpr int32_t kc_keypad_minus = 100269;
constexpr int32_t kc_keypad_plus = 100270;
constexpr int32_t kc_keypad_enter = 100271;
constexpr int32_t kc_num_lock = 100300;
constexpr int32_t kc_caps_lock = 100301;
constexpr int32_t kc_scroll_lock = 100302;
constexpr int32_t kc_right_shift = 100303;
constexpr int32_t kc_left_shift = 100304;
constexpr int32_t kc_right_ctrl = 100305;
constexpr int32_t kc_left_ctrl = 100306;
constexpr int32_t kc_right_alt = 100307;
constexpr int32_t kc_left_alt = 100308;
constexpr int32_t kc_sys_req = 100317;
constexpr int32_t kc_break = 100318;
constexpr int32_t kc_keypad_nav = 200000;    // keypad with Num Lock off: 200000-200010
constexpr int32_t kc_scroll_state = 200011;  // pseudo-key: Scroll Lock is on
constexpr int32_t kc_insert_state = 200012;  // pseudo-key: Insert is on
constexpr int32_t kc_zero = 200013;          // stands for a key whose code is 0

// Two-byte keys (scan code x 256).
constexpr int32_t kc_f1 = 0x3B00;
constexpr int32_t kc_f4 = 0x3E00;
constexpr int32_t kc_f11 = 0x8500;
constexpr int32_t kc_f12 = 0x8600;
constexpr int32_t kc_home = 0x4700;
constexpr int32_t kc_up = 0x4800;
constexpr int32_t kc_page_up = 0x4900;
constexpr int32_t kc_left = 0x4B00;
constexpr int32_t kc_centre = 0x4C00;
constexpr int32_t kc_right = 0x4D00;
constexpr int32_t kc_end = 0x4F00;
constexpr int32_t kc_down = 0x5000;
constexpr int32_t kc_page_down = 0x5100;
constexpr int32_t kc_insert = 0x5200;
constexpr int32_t kc_delete = 0x5300;

constexpr bool is_keypad_code(int32_t c) {
  return (c >= kc_keypad_0 && c <= kc_keypad_enter) || (c >= kc_keypad_nav && c <= kc_keypad_nav + 10);
}
constexpr bool is_two_byte_code(int32_t c) { return c >= 256 && c <= 0xFFFF; }
