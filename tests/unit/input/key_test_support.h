#pragma once
// Shared set-up of the keyboard tests: a clean key state, and a reader of the
// BIOS keyboard buffer as the program side reads it.
#include <cstdint>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/input/detail/input_internals.h"
#include "runtime/input/input.h"
#include "runtime/screen/screen.h"

namespace key_test {

inline void reset_key_state() {
  keyboard_reset();
  event_traps_reset();
  for (int32_t i = 0; i < key_trap_count; ++i) soft_key_set(i, "");
  run_flags_reset();
  full_screen_reset();
}

// One key from the BIOS buffer as (scan << 8) | character; -1 when empty.
inline int32_t bios_take() {
  const uint16_t head = cm_read16(bios_kbd_head);
  if (head == cm_read16(bios_kbd_tail)) return -1;
  const int32_t key = (cm_read8(0x401 + head) << 8) | cm_read8(0x400 + head);
  cm_write16(bios_kbd_head, head + 2 >= bios_kbd_end ? bios_kbd_first : head + 2);
  return key;
}

inline std::vector<int32_t> bios_all() {
  std::vector<int32_t> keys;
  for (int32_t k; (k = bios_take()) != -1;) keys.push_back(k);
  return keys;
}

// Key events as signed values (keypad ones + 1000000 * sign, to tell them apart).
inline std::vector<int32_t> keyhit_all() {
  std::vector<int32_t> events;
  int32_t v, k;
  while (keyhit_take(&v, &k)) events.push_back(k ? (v < 0 ? v - 1000000 : v + 1000000) : v);
  return events;
}

}  // namespace key_test
