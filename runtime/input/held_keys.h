#pragma once
// Which keys are down, and the BIOS shift-flag bytes that mirror them.
#include <cstdint>

// Key codes of the lock and modifier keys.
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
constexpr int32_t kc_pause = 100019;
constexpr int32_t kc_break = 100318;
constexpr int32_t kc_insert = 0x5200;
constexpr int32_t kc_scroll_state = 200011;  // pseudo-key: Scroll Lock is on
constexpr int32_t kc_insert_state = 200012;  // pseudo-key: Insert is on

// Adds code (no duplicates) with the native key number its source gave (0 if none).
void held_keys_add(int32_t code, int32_t native);
void held_keys_remove(int32_t code);
bool held_keys_contains(int32_t code);

// 1 when code is held; characters and two-byte codes are retried as their keypad twins.
int32_t key_held(int32_t code);

// Rewrites the shift-flag bytes 0x417, 0x418 and 0x496 from the held keys.
void update_shift_flags();
