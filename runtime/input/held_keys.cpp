#include "runtime/input/held_keys.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "runtime/core/core.h"

namespace {
struct held_key {
  int32_t code;
  int32_t native;
};
// Written by the window thread and the main loop's lock polling, read by the program.
std::mutex held_mutex;
std::vector<held_key> held;

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
  std::lock_guard<std::mutex> lock(held_mutex);
  for (const auto& k : held)
    if (k.code == code) return;
  held.push_back({code, native});
}

void held_keys_remove(int32_t code) {
  std::lock_guard<std::mutex> lock(held_mutex);
  std::erase_if(held, [code](const held_key& k) { return k.code == code; });
}

bool held_keys_contains(int32_t code) {
  std::lock_guard<std::mutex> lock(held_mutex);
  return std::any_of(held.begin(), held.end(), [code](const held_key& k) { return k.code == code; });
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
  std::lock_guard<std::mutex> lock(held_mutex);
  std::vector<int32_t> codes;
  codes.reserve(held.size());
  for (const auto& k : held) codes.push_back(k.code);
  return codes;
}
