#include "runtime/input/input.h"

#include <mutex>
#include <string>

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/input/detail/input_internals.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"

std::atomic<int32_t> sleep_key_pressed{0};

namespace {

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
  if (run_flags.exit_trap_enabled.load())
    run_flags.exit_request.fetch_or(bit);
  else
    run_flags.stop_request.store(1);
}

// Alt+Enter: window -> full screen stretched -> the same smoothed -> full screen
// keeping the aspect ratio -> the same smoothed -> window.
void cycle_full_screen() {
  const full_screen_kind pending = full_screen_settings.request.load();
  const full_screen_kind mode = full_screen_settings.mode.load();
  full_screen_kind req = pending != full_screen_no_request ? pending : mode;
  const int32_t smooth = full_screen_settings.smooth.load();
  if (req == full_screen_keep_aspect && smooth == 1) {
    req = full_screen_off;
  } else if (smooth == 0 && req != full_screen_off) {
    full_screen_settings.smooth.store(1);
  } else {
    req = static_cast<full_screen_kind>(req + 1);
    full_screen_settings.smooth.store(0);
  }
  // A request back to the mode in force cancels any request still pending.
  full_screen_settings.request.store(req != mode ? req : full_screen_no_request);
  full_screen_settings.force_full_refresh.store(1);
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

// What a press leaves for the program: the port 0x60 byte, the lock toggles
// and the key's entry in the BIOS buffer.
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

// A press: held, then consumed by a special combination, a key trap or a
// soft-key string, or else recorded for the key-event query and buffered.
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
    run_flags.paused.fetch_or(1);
    run_flags.event_pending.store(1);
    suppressed_keys_add(c);
    return;
  }
  if (run_flags.paused.load() & 1) {
    run_flags.paused.fetch_and(static_cast<uint8_t>(~1));
    program_wake();  // the program thread stands still until this
    wake_signal();   // a picture drawn during the pause is shown now
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
  std::lock_guard<std::recursive_mutex> lock(key_handlers_lock());
  press(code);
  // The shift-flag bytes follow every change of the keys they show, also when
  // the press stopped early (a trapped Ctrl, Pause, the key that ends a pause).
  if (shift_flags_reflect(code)) update_shift_flags();
  sleep_key_pressed.store(1);
}

void key_up(int32_t code) {
  std::lock_guard<std::recursive_mutex> lock(key_handlers_lock());
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

void window_close_request() { run_flags.exit_request.fetch_or(1); }

void key_event(int32_t scan, int32_t code, bool down) {
  if (scan != 0) keyboard_hook(scan, down ? 1 : 0);
  if (code == 0) return;
  if (down)
    key_down(code);
  else
    key_up(code);
}

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
  run_flags.event_pending.store(1);
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
      const key_trap_record& k = event_traps.keys[i];
      if (k.make.load() == make && armed(k) && mask_accepts(k.shift_mask.load(), c, held)) found = i;
    }
  }
  for (int32_t i = 0; i < key_trap_count && found < 0; ++i) {
    const key_trap_record& k = event_traps.keys[i];
    if (armed(k) && (k.scan_code.load() == v || k.key_code.load() == c)) found = i;
  }
  if (found >= 0) count_occurrence(event_traps.keys[found].trap);
  return found;
}

void keyboard_reset() {
  held_keys_clear();
  update_shift_flags();
  bios_key_buffer_reset();
  keyhit_reset();
  port60_reset();
  suppressed_keys_clear();
  paste_stop();
  inkey_poll_reset();
  sleep_key_pressed.store(0);
}
