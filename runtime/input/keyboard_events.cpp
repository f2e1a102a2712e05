#include "runtime/input/keyboard_events.h"

#include <mutex>
#include <string>

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/input/bios_key_buffer.h"
#include "runtime/input/held_keys.h"
#include "runtime/input/key_codes.h"
#include "runtime/input/key_translation_table.h"
#include "runtime/input/key_traps.h"
#include "runtime/input/keyhit_buffer.h"
#include "runtime/input/port60_buffer.h"
#include "runtime/input/suppressed_keys.h"
#include "runtime/screen/screen.h"

std::atomic<int32_t> sleep_key_pressed{0};

namespace {

// Serialises key_down/key_up between the window thread and lock polling; soft-key
// strings re-enter key_down on the same thread.
std::recursive_mutex key_mutex;
bool replaying = false;  // a soft-key string is being typed

key_modifiers held_modifiers() {
  key_modifiers m;
  m.shift = held_keys_contains(kc_left_shift) || held_keys_contains(kc_right_shift);
  m.ctrl = held_keys_contains(kc_left_ctrl) || held_keys_contains(kc_right_ctrl);
  m.alt = held_keys_contains(kc_left_alt) || held_keys_contains(kc_right_alt);
  m.num_lock = held_keys_contains(kc_num_lock);
  m.caps_lock = held_keys_contains(kc_caps_lock);
  return m;
}

// Close requests from keys: recorded when the program takes them over, else the end.
void request_exit(int32_t bit) {
  if (exit_trap_enabled.load())
    exit_request.fetch_or(bit);
  else
    stop_request.store(1);
}

// Alt+Enter: window -> full screen stretched -> the same smoothed -> full screen
// keeping the aspect ratio -> the same smoothed -> window.
void cycle_full_screen() {
  const int32_t pending = full_screen_request.load();
  const int32_t mode = full_screen_mode.load();
  int32_t req = pending != -1 ? pending : mode;
  const int32_t smooth = full_screen_smooth.load();
  if (req == 2 && smooth == 1) {
    req = 0;
  } else if (smooth == 0 && req != 0) {
    full_screen_smooth.store(1);
  } else {
    req = req + 1;
    full_screen_smooth.store(0);
  }
  // A request back to the mode in force cancels any request still pending.
  full_screen_request.store(req != mode ? req : -1);
  force_full_refresh.store(1);
}

// Event value of a key (keypad keys as their main-keyboard codes) and its keypad flag.
void event_value(int32_t c, int32_t* v, int32_t* k) {
  static constexpr int32_t keypad_signs[6] = {'.', '/', '*', '-', '+', 13};
  static constexpr int32_t keypad_nav[11] = {kc_insert, kc_end,  kc_down, kc_page_down, kc_left, kc_centre,
                                             kc_right,  kc_home, kc_up,   kc_page_up,   kc_delete};
  *k = 1;
  if (c >= kc_keypad_0 && c <= kc_keypad_0 + 9)
    *v = '0' + (c - kc_keypad_0);
  else if (c >= kc_keypad_point && c <= kc_keypad_enter)
    *v = keypad_signs[c - kc_keypad_point];
  else if (c >= kc_keypad_nav && c <= kc_keypad_nav + 10)
    *v = keypad_nav[c - kc_keypad_nav];
  else {
    *v = c;
    *k = 0;
  }
}

int32_t modifier_column(const key_modifiers& m) { return m.alt ? kt_alt : m.ctrl ? kt_ctrl : m.shift ? kt_shift : kt_plain; }

// Step 11: the port 0x60 byte, the lock toggles and the BIOS buffer.
void buffer_key(int32_t c, bool insert_was_held, bool scroll_was_held) {
  const key_modifiers m = held_modifiers();
  if (c == kc_zero) c = 0;
  int32_t ch = 0, scan = 0;
  if (c >= 0 && c <= 255) {
    ch = c;
    scan = key_translation_table[c][kt_make];
    if (scan != 0) {
      port60_append(static_cast<uint8_t>(scan));
      const int32_t code = key_translation_table[c][modifier_column(m)];
      if (code == 0) return;
      if (code & 0xFF00) {
        ch = 0;
        scan = code >> 8;
      } else {
        ch = code;
      }
    }
  } else if (is_two_byte_code(c) || is_keypad_code(c)) {
    const int32_t row = key_table_row(c);
    ch = 0;
    scan = (c >> 8) & 0xFF;
    const int32_t plain = key_translation_table[row][kt_plain];
    if (plain != 0) {
      const int32_t make = key_translation_table[row][kt_make];
      port60_append(static_cast<uint8_t>(make));
      if (c == kc_insert && !insert_was_held && !m.shift && !m.ctrl && !m.alt) {
        if (held_keys_contains(kc_insert_state))
          held_keys_remove(kc_insert_state);
        else
          held_keys_add(kc_insert_state, 0);
        update_shift_flags();
      }
      const bool keypad_digit = c >= kc_keypad_0 && c <= kc_keypad_point;
      int32_t column = modifier_column(m);
      if (!m.alt && !m.ctrl && keypad_digit) column = m.shift ? kt_num_lock_shift : kt_num_lock;
      const int32_t code = key_translation_table[row][column];
      if (code == 0) return;
      if (code & 0xFF00) {
        scan = code >> 8;
      } else {
        ch = code;
        scan = make;
      }
    }
  } else {
    // Modifiers and locks: only port 0x60 and the shift flags.
    if (c == kc_scroll_lock && !scroll_was_held && !m.ctrl) {
      if (held_keys_contains(kc_scroll_state))
        held_keys_remove(kc_scroll_state);
      else
        held_keys_add(kc_scroll_state, 0);
    }
    const int32_t make = modifier_make_code(c);
    if (make != 0) port60_append(static_cast<uint8_t>(make));
    update_shift_flags();
    return;
  }
  bios_key_buffer_put(static_cast<uint8_t>(ch), static_cast<uint8_t>(scan));
}

// Steps 1-11 of a press; returns where it stops.
void press(int32_t c) {
  if (c == 0) c = kc_zero;
  const bool insert_was_held = held_keys_contains(kc_insert);
  const bool scroll_was_held = held_keys_contains(kc_scroll_lock);
  held_keys_add(c, 0);
  const key_modifiers m = held_modifiers();

  // Break, Alt+F4, Pause, the key that ends a pause and Alt+Enter are consumed:
  // their releases are swallowed like those of trapped keys.
  if (c == kc_break || (c == kc_scroll_lock && m.ctrl)) {
    request_exit(2);
    suppressed_keys_add(c);
    return;
  }
  if (c == kc_f4 && m.alt) {
    request_exit(1);
    suppressed_keys_add(c);
    return;
  }
  if (c == kc_pause || (c == kc_num_lock && m.ctrl)) {
    paused.fetch_or(1);
    event_pending.store(1);
    suppressed_keys_add(c);
    return;
  }
  if (paused.load() & 1) {
    paused.fetch_and(static_cast<uint8_t>(~1));
    suppressed_keys_add(c);
    return;
  }
  if (c == 13 && m.alt) {
    cycle_full_screen();
    suppressed_keys_add(c);
    return;
  }

  int32_t v, k;
  event_value(c, &v, &k);
  if (!replaying && key_trap_press(c, v, m) >= 0) {
    suppressed_keys_add(c);
    return;
  }
  const std::string text = soft_key_find(v, c);
  if (!text.empty()) {
    suppressed_keys_add(c);
    for (const char ch : text) {
      replaying = true;
      key_down(static_cast<uint8_t>(ch));
      key_up(static_cast<uint8_t>(ch));
      replaying = false;
    }
    return;
  }
  keyhit_put(v, k);
  buffer_key(c, insert_was_held, scroll_was_held);
}

}  // namespace

void key_down(int32_t code) {
  std::lock_guard<std::recursive_mutex> lock(key_mutex);
  press(code);
  // The shift-flag bytes follow every change of the keys they show, also when
  // the press stopped early (a trapped Ctrl, Pause, the key that ends a pause).
  if (shift_flags_reflect(code)) update_shift_flags();
  sleep_key_pressed.store(1);
}

void key_up(int32_t code) {
  std::lock_guard<std::recursive_mutex> lock(key_mutex);
  int32_t c = code == 0 ? kc_zero : code;
  held_keys_remove(c);
  const bool shows = shift_flags_reflect(c);
  int32_t v, k;
  event_value(c, &v, &k);
  if (suppressed_keys_take(c)) {
    if (shows) update_shift_flags();
    return;
  }
  keyhit_put(-v, k);
  const int32_t row = c == kc_zero ? 0 : key_table_row(c);
  if (row >= 0) {
    if (key_translation_table[row][kt_make] != 0 && key_translation_table[row][kt_plain] != 0)
      port60_append(static_cast<uint8_t>(key_translation_table[row][kt_make] + 128));
  } else {
    const int32_t make = modifier_make_code(c);
    if (make != 0) port60_append(static_cast<uint8_t>(make + 128));
  }
  if (shows) update_shift_flags();
}

void window_close_request() { exit_request.fetch_or(1); }

void break_key_event(int32_t code, bool down) {
  if (code != kc_pause && code != kc_break) return;
  if (down)
    key_down(code);
  else
    key_up(code);
}
