#include "runtime/input/key_traps.h"

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/input/key_codes.h"
#include "runtime/input/key_translation_table.h"

namespace {

// The modifier bit of the pressed key itself: its own state is not compared.
int32_t own_modifier_bit(int32_t c) {
  switch (c) {
    case kc_left_shift: case kc_right_shift: return 3;
    case kc_left_ctrl: case kc_right_ctrl: return 4;
    case kc_left_alt: case kc_right_alt: return 8;
    case kc_num_lock: return 32;
    case kc_caps_lock: return 64;
    default: return 0;
  }
}

bool mask_accepts(int32_t mask, int32_t c, const key_modifiers& held) {
  const int32_t own = own_modifier_bit(c);
  auto exactly = [&](int32_t bits, bool down) { return own == bits || ((mask & bits) != 0) == down; };
  return exactly(3, held.shift) && exactly(4, held.ctrl) && exactly(8, held.alt) &&
         (!(mask & 32) || held.num_lock) && (!(mask & 64) || held.caps_lock) &&
         ((mask >> 7) & 1) == (extended_key(c) ? 1 : 0);
}

bool armed(const key_trap_record& k) {
  return k.trap.state.load() != 0 && k.trap.handler.load() != 0;
}

void count_occurrence(trap_record& t) {
  if (t.state.load() == 1) {
    uint8_t n = t.pending.load();
    while (n < 255 && !t.pending.compare_exchange_weak(n, static_cast<uint8_t>(n + 1))) {
    }
  } else {
    t.pending.store(1);  // stopped: remembered, not counted
  }
  event_pending.store(1);
}

}  // namespace

int32_t trap_make_code(int32_t c) {
  if (c >= 0 && c <= 255) return key_translation_table[c][kt_make];
  const int32_t row = key_table_row(c);
  if (row >= 0) return key_translation_table[row][kt_plain] != 0 ? key_translation_table[row][kt_make] : 0;
  return modifier_make_code(c);
}

bool extended_key(int32_t c) {
  switch (c) {
    case kc_up: case kc_right: case kc_down: case kc_left: case kc_home: case kc_page_up:
    case kc_delete: case kc_end: case kc_page_down: case kc_insert: case kc_keypad_divide:
    case kc_keypad_enter: case kc_right_ctrl: case kc_right_alt:
      return true;
    default:
      return false;
  }
}

int32_t key_trap_press(int32_t c, int32_t v, const key_modifiers& held) {
  int32_t found = -1;
  const int32_t make = trap_make_code(c);
  if (make != 0) {
    for (int32_t i = 0; i < key_trap_count && found < 0; ++i) {
      const key_trap_record& k = key_trap_table[i];
      if (k.make.load() == make && armed(k) && mask_accepts(k.shift_mask.load(), c, held)) found = i;
    }
  }
  for (int32_t i = 0; i < key_trap_count && found < 0; ++i) {
    const key_trap_record& k = key_trap_table[i];
    if (armed(k) && (k.scan_code.load() == v || k.key_code.load() == c)) found = i;
  }
  if (found >= 0) count_occurrence(key_trap_table[found].trap);
  return found;
}
