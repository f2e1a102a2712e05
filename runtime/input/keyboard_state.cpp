#include "runtime/input/input.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/input/detail/input_internals.h"

namespace {
struct held_key {
  int32_t code;
  int32_t native;
};
// The keys held down: written by the window thread and the main loop's lock
// polling, read by the program.
struct held_key_list {
  std::mutex lock;
  std::vector<held_key> keys;
};
held_key_list held;

int32_t keypad_twin(int32_t code) {
  switch (code) {
    case 13: return 100271;
    case 42: return 100268;
    case 43: return 100270;
    case 45: return 100269;
    case 46: return 100266;
    case 47: return 100267;
    default: break;
  }
  if (code >= '0' && code <= '9') return 100256 + (code - '0');
  if (code > 255 && (code & 0xFF) == 0) {
    switch (code >> 8) {
      case 82: return 200000;
      case 79: return 200001;
      case 80: return 200002;
      case 81: return 200003;
      case 75: return 200004;
      case 76: return 200005;
      case 77: return 200006;
      case 71: return 200007;
      case 72: return 200008;
      case 73: return 200009;
      case 83: return 200010;
      default: break;
    }
  }
  return 0;
}
}  // namespace

void held_keys_add(int32_t code, int32_t native) {
  std::lock_guard<std::mutex> lock(held.lock);
  for (const auto& k : held.keys)
    if (k.code == code) return;
  held.keys.push_back({code, native});
}

void held_keys_remove(int32_t code) {
  std::lock_guard<std::mutex> lock(held.lock);
  std::erase_if(held.keys, [code](const held_key& k) { return k.code == code; });
}

bool held_keys_contains(int32_t code) {
  std::lock_guard<std::mutex> lock(held.lock);
  return std::any_of(held.keys.begin(), held.keys.end(), [code](const held_key& k) { return k.code == code; });
}

int32_t key_held(int32_t code) {
  if (held_keys_contains(code)) return 1;
  const int32_t twin = keypad_twin(code);
  return twin != 0 && held_keys_contains(twin) ? 1 : 0;
}

void update_shift_flags() {
  auto bit = [](int32_t code, int shift) { return held_keys_contains(code) ? (1 << shift) : 0; };
  const int ctrl = held_keys_contains(kc_left_ctrl) || held_keys_contains(kc_right_ctrl);
  const int alt = held_keys_contains(kc_left_alt) || held_keys_contains(kc_right_alt);
  cm_write8(0x417, static_cast<uint8_t>(bit(kc_right_shift, 0) | bit(kc_left_shift, 1) | (ctrl << 2) |
                                        (alt << 3) | bit(kc_scroll_state, 4) | bit(kc_num_lock, 5) |
                                        bit(kc_caps_lock, 6) | bit(kc_insert_state, 7)));
  cm_write8(0x418, static_cast<uint8_t>(bit(kc_left_ctrl, 0) | bit(kc_left_alt, 1) | bit(kc_sys_req, 2) |
                                        bit(kc_pause, 3) | bit(kc_scroll_lock, 4) | bit(kc_insert, 7)));
  cm_write8(0x496, static_cast<uint8_t>(bit(kc_right_ctrl, 0) | bit(kc_right_alt, 1) | 0x10));
}

bool shift_flags_reflect(int32_t code) {
  switch (code) {
    case kc_right_shift: case kc_left_shift: case kc_right_ctrl: case kc_left_ctrl:
    case kc_right_alt: case kc_left_alt: case kc_scroll_state: case kc_num_lock:
    case kc_caps_lock: case kc_insert_state: case kc_sys_req: case kc_pause:
    case kc_scroll_lock: case kc_insert:
      return true;
    default:
      return false;
  }
}

std::vector<int32_t> held_keys_snapshot() {
  std::lock_guard<std::mutex> lock(held.lock);
  std::vector<int32_t> codes;
  codes.reserve(held.keys.size());
  for (const auto& k : held.keys) codes.push_back(k.code);
  return codes;
}

void held_keys_clear() {
  std::lock_guard<std::mutex> lock(held.lock);
  held.keys.clear();
}

int32_t held_character_of_key(int32_t code) {
  if (code < 0 || code > 255 || key_translation_table[code][kt_make] == 0) return code;
  for (const int32_t other : held_keys_snapshot())
    if (other >= 0 && other <= 255 && key_translation_table[other][kt_make] == key_translation_table[code][kt_make])
      return other;
  return code;
}

void keyboard_hook(int32_t scan_code, int32_t pressed) {
  if (scan_code < 0 || scan_code > 511) return;
  const int32_t down = pressed ? 1 : 0;
  if (device_event_button(keyboard_device, device_last_event(keyboard_device), scan_code) == down) return;
  const int32_t e = new_device_event(keyboard_device);
  if (e < 0) return;
  set_device_button(keyboard_device, e, scan_code, down);
  commit_device_event(keyboard_device);
}

namespace {

using table = key_table;

// A main-keyboard key that is not a letter: its unshifted and shifted characters
// (each a row that keeps its own character plain and with Shift), the make code
// and the codes with Ctrl and Alt.
struct symbol_key {
  int32_t plain, shifted, make, ctrl, alt;
};
constexpr symbol_key symbol_keys[] = {
    {'1', '!', 2, 0, 0x7800},      {'2', '@', 3, 0x0300, 0x7900}, {'3', '#', 4, 0, 0x7A00},
    {'4', '$', 5, 0, 0x7B00},      {'5', '%', 6, 0, 0x7C00},      {'6', '^', 7, 30, 0x7D00},
    {'7', '&', 8, 0, 0x7E00},      {'8', '*', 9, 0, 0x7F00},      {'9', '(', 10, 0, 0x8000},
    {'0', ')', 11, 0, 0x8100},     {'-', '_', 12, 31, 0x8200},    {'=', '+', 13, 0, 0x8300},
    {'[', '{', 26, 27, 0x1A00},    {']', '}', 27, 29, 0x1B00},    {';', ':', 39, 0, 0x2700},
    {'\'', '"', 40, 0, 0x2800},    {'`', '~', 41, 0, 0x2900},     {'\\', '|', 43, 28, 0x2B00},
    {',', '<', 51, 0, 0x3300},     {'.', '>', 52, 0, 0x3400},     {'/', '?', 53, 0, 0x3500},
};

// Keys with one row each: Backspace, Tab, Enter, Esc, Space. Shift+Tab is the
// back-tab; Alt+Tab and Alt+Enter produce nothing (the window system and the
// full-screen switch take them).
struct single_key {
  int32_t code, make, plain, shift, ctrl, alt;
};
constexpr single_key single_keys[] = {
    {8, 14, 8, 8, 127, 0x0E00},     {9, 15, 9, 0x0F00, 0x9400, 0}, {13, 28, 13, 13, 10, 0},
    {27, 1, 27, 27, 27, 0x0100},    {32, 57, 32, 32, 32, 32},
};

// Letters a-z: make codes.
constexpr int32_t letter_make[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                     49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

// Two-byte grey keys: scan byte, code with Ctrl, code with Alt (Shift leaves them).
struct grey_key {
  int32_t scan, ctrl, alt;
};
constexpr grey_key grey_keys[] = {
    {0x47, 0x7700, 0x9700}, {0x48, 0x8D00, 0x9800}, {0x49, 0x8400, 0x9900}, {0x4B, 0x7300, 0x9B00},
    {0x4D, 0x7400, 0x9D00}, {0x4F, 0x7500, 0x9F00}, {0x50, 0x9100, 0xA000}, {0x51, 0x7600, 0xA100},
    {0x52, 0x9200, 0xA200}, {0x53, 0x9300, 0xA300},
};

// The keypad, n = 0..15: make, plain (Num Lock off), Shift, Ctrl, Alt, Num Lock, Num Lock + Shift.
struct keypad_key {
  int32_t make, plain, shift, ctrl, alt, num, num_shift;
};
constexpr keypad_key keypad_keys[16] = {
    {82, 0x5200, '0', 0x9200, 0, '0', 0x5200},  // 0 / Insert
    {79, 0x4F00, '1', 0x7500, 0, '1', 0x4F00},  // 1 / End
    {80, 0x5000, '2', 0x9100, 0, '2', 0x5000},  // 2 / Down
    {81, 0x5100, '3', 0x7600, 0, '3', 0x5100},  // 3 / Page Down
    {75, 0x4B00, '4', 0x7300, 0, '4', 0x4B00},  // 4 / Left
    {76, 0x4C00, '5', 0x8F00, 0, '5', 0x4C00},  // 5 / centre
    {77, 0x4D00, '6', 0x7400, 0, '6', 0x4D00},  // 6 / Right
    {71, 0x4700, '7', 0x7700, 0, '7', 0x4700},  // 7 / Home
    {72, 0x4800, '8', 0x8D00, 0, '8', 0x4800},  // 8 / Up
    {73, 0x4900, '9', 0x8400, 0, '9', 0x4900},  // 9 / Page Up
    {83, 0x5300, '.', 0x9300, 0, '.', 0x5300},  // . / Delete
    {53, '/', '/', 0x9500, 0xA400, '/', '/'},
    {55, '*', '*', 0x9600, 0x3700, '*', '*'},
    {74, '-', '-', 0x8E00, 0x4A00, '-', '-'},
    {78, '+', '+', 0x9000, 0x4E00, '+', '+'},
    {28, 13, 13, 10, 0xA600, 13, 13},           // keypad Enter
};

constexpr void set_row(table& t, int32_t row, int32_t make, int32_t plain, int32_t shift, int32_t ctrl,
                       int32_t alt) {
  t[row][kt_make] = make;
  t[row][kt_plain] = plain;
  t[row][kt_shift] = shift;
  t[row][kt_ctrl] = ctrl;
  t[row][kt_alt] = alt;
}

constexpr table build_table() {
  table t{};
  for (int32_t r = 0; r < 256; ++r) t[r][kt_id] = r;
  for (int32_t r = 256; r < 512; ++r) t[r][kt_id] = r - 256;
  for (int32_t r = 512; r < key_table_rows; ++r) t[r][kt_id] = r;

  for (int32_t i = 0; i < 26; ++i) {
    const int32_t lower = 'a' + i, upper = 'A' + i, make = letter_make[i];
    set_row(t, lower, make, lower, upper, lower & 0x1F, make << 8);
    set_row(t, upper, make, upper, upper, lower & 0x1F, make << 8);
    t[upper][kt_id] = lower;
  }
  for (const auto& k : symbol_keys) {
    set_row(t, k.plain, k.make, k.plain, k.plain, k.ctrl, k.alt);
    set_row(t, k.shifted, k.make, k.shifted, k.shifted, k.ctrl, k.alt);
  }
  for (const auto& k : single_keys) set_row(t, k.code, k.make, k.plain, k.shift, k.ctrl, k.alt);

  for (int32_t n = 0; n < 10; ++n) {  // F1-F10
    const int32_t scan = 0x3B + n;
    set_row(t, 256 + scan, scan, scan << 8, (0x54 + n) << 8, (0x5E + n) << 8, (0x68 + n) << 8);
  }
  set_row(t, 256 + 0x85, 87, 0x8500, 0x8500, 0x8900, 0x8B00);  // F11
  set_row(t, 256 + 0x86, 88, 0x8600, 0x8800, 0x8A00, 0x8C00);  // F12
  for (const auto& k : grey_keys) set_row(t, 256 + k.scan, k.scan, k.scan << 8, k.scan << 8, k.ctrl, k.alt);
  t[256 + 0x4C][kt_make] = 76;  // the keypad centre as a two-byte key: a make code, no codes

  for (int32_t n = 0; n < 16; ++n) {
    const auto& k = keypad_keys[n];
    set_row(t, 512 + n, k.make, k.plain, k.shift, k.ctrl, k.alt);
    t[512 + n][kt_num_lock] = k.num;
    t[512 + n][kt_num_lock_shift] = k.num_shift;
  }
  return t;
}

}  // namespace

constinit const key_table key_translation_table = build_table();

int32_t key_table_row(int32_t code) {
  if (code >= 0 && code <= 255) return code;
  if (is_two_byte_code(code)) return 256 + (code >> 8);
  if (code >= kc_keypad_0 && code <= kc_keypad_enter) return 512 + (code - kc_keypad_0);
  if (code >= kc_keypad_nav && code <= kc_keypad_nav + 10) return 512 + (code - kc_keypad_nav);
  return -1;
}

int32_t modifier_make_code(int32_t code) {
  switch (code) {
    case kc_left_shift: return 42;
    case kc_right_shift: return 54;
    case kc_left_alt: case kc_right_alt: return 56;
    case kc_left_ctrl: case kc_right_ctrl: return 29;
    case kc_num_lock: return 69;
    case kc_caps_lock: return 58;
    case kc_scroll_lock: return 70;
    default: return 0;
  }
}
