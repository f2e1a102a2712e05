#include "runtime/input/keyboard_callbacks.h"

#include <GL/freeglut.h>

#include "runtime/input/held_keys.h"
#include "runtime/input/key_codes.h"
#include "runtime/input/key_translation_table.h"
#include "runtime/input/keyboard_events.h"
#include "runtime/platform/key_event_hook.h"

namespace {

// Control characters that two keys give with Ctrl: the key that is not a letter,
// its scan code and the letter key's scan code.
struct shared_control {
  unsigned char c;
  int32_t key, key_scan, letter_scan;
};
constexpr shared_control shared_controls[] = {
    {8, 8, 0x0E, 0x23},    // Backspace / H
    {9, 9, 0x0F, 0x17},    // Tab / I
    {10, 13, 0x1C, 0x24},  // Enter (as some systems give it) / J
    {13, 13, 0x1C, 0x32},  // Enter / M
};

bool enter_down(scan_down_query down) { return down(0x1C) || down(0x11C); }

// Keys other than letters that the X window system turns into control
// characters when Ctrl is held (Ctrl+2 into 0, Ctrl+6 into 30, ...): the
// character, the key's scan code, and the key whose Ctrl column the
// translation table holds. The physical key tells them apart.
struct ctrl_symbol {
  unsigned char c;
  int32_t scan, key;
};
constexpr ctrl_symbol ctrl_symbols[] = {
    {0, 0x03, '2'},    {0, 0x39, ' '},     {0x1B, 0x04, '3'}, {0x1B, 0x1A, '['}, {0x1B, 0x01, 27},
    {0x1C, 0x05, '4'}, {0x1C, 0x2B, '\\'}, {0x1D, 0x06, '5'}, {0x1D, 0x1B, ']'}, {0x1E, 0x07, '6'},
    {0x1E, 0x29, '`'}, {0x1F, 0x08, '7'},  {0x1F, 0x35, '/'}, {0x1F, 0x0C, '-'}, {0x7F, 0x09, '8'},
};

}  // namespace

int32_t character_key_code(unsigned char c, int modifiers, scan_down_query down) {
  if (modifiers & GLUT_ACTIVE_CTRL) {
    const int32_t letter = c + ((modifiers & GLUT_ACTIVE_SHIFT) ? 64 : 96);
    for (const auto& s : shared_controls) {
      if (s.c != c) continue;
      if (down) {
        const bool key = s.key_scan == 0x1C ? enter_down(down) : down(s.key_scan);
        if (key && !down(s.letter_scan)) return s.key;
        if (down(s.letter_scan) && !key) return letter;
      }
      return c == 10 ? 13 : letter;  // nothing known: Ctrl+Enter gives 10, 1-26 are letters
    }
    if (c >= 1 && c <= 26) return letter;
    if (down)
      for (const auto& s : ctrl_symbols)
        if (s.c == c && down(s.scan)) return s.key;
  }
  if (c == 127) return kc_delete;
  return c;
}

int32_t special_key_code(int key) {
  if (key >= GLUT_KEY_F1 && key <= GLUT_KEY_F10) return kc_f1 + (key - GLUT_KEY_F1) * 256;
  switch (key) {
    case GLUT_KEY_F11: return kc_f11;
    case GLUT_KEY_F12: return kc_f12;
    case GLUT_KEY_LEFT: return kc_left;
    case GLUT_KEY_UP: return kc_up;
    case GLUT_KEY_RIGHT: return kc_right;
    case GLUT_KEY_DOWN: return kc_down;
    case GLUT_KEY_PAGE_UP: return kc_page_up;
    case GLUT_KEY_PAGE_DOWN: return kc_page_down;
    case GLUT_KEY_HOME: return kc_home;
    case GLUT_KEY_END: return kc_end;
    case GLUT_KEY_INSERT: return kc_insert;
    // The main Delete key arrives as character 127; the keypad's Delete with
    // Num Lock off arrives as this number on X11.
    case GLUT_KEY_DELETE: return kc_delete;
    case GLUT_KEY_SHIFT_L: return kc_left_shift;
    case GLUT_KEY_SHIFT_R: return kc_right_shift;
    case GLUT_KEY_CTRL_L: return kc_left_ctrl;
    case GLUT_KEY_CTRL_R: return kc_right_ctrl;
    case GLUT_KEY_ALT_L: return kc_left_alt;
    case GLUT_KEY_ALT_R: return kc_right_alt;
    default: return 0;
  }
}

void keyboard_callback(unsigned char c, int, int) {
  key_down(character_key_code(c, glutGetModifiers(), physical_key_down));
}

int32_t character_release_code(unsigned char c, int modifiers, scan_down_query down) {
  const int32_t code = character_key_code(c, modifiers, down);
  if (held_keys_contains(code)) return code;
  // The release may read differently from the press (Ctrl or Shift let go
  // first): release the held key of the same control character or physical key.
  for (const int32_t other : {character_key_code(c, modifiers ^ GLUT_ACTIVE_CTRL, nullptr),
                              character_key_code(c, modifiers | GLUT_ACTIVE_CTRL, nullptr)})
    if (held_keys_contains(other)) return other;
  // The key is already up when its release is read, so its scan code no longer tells.
  for (const auto& s : ctrl_symbols)
    if (s.c == c && held_keys_contains(s.key)) return s.key;
  if (code >= 0 && code <= 255 && key_translation_table[code][kt_make] != 0)
    for (const int32_t held : held_keys_snapshot())
      if (held >= 0 && held <= 255 && key_translation_table[held][kt_make] == key_translation_table[code][kt_make])
        return held;
  return code;
}

void keyboard_up_callback(unsigned char c, int, int) {
  key_up(character_release_code(c, glutGetModifiers(), physical_key_down));
}

// Modifier keys count only on a change: the window system repeats held keys.
void special_callback(int key, int, int) {
  const int32_t code = special_key_code(key);
  if (code == 0) return;
  if (code > 0xFFFF && held_keys_contains(code)) return;
  key_down(code);
}

void special_up_callback(int key, int, int) {
  const int32_t code = special_key_code(key);
  if (code == 0) return;
  if (code > 0xFFFF && !held_keys_contains(code)) return;
  key_up(code);
}
