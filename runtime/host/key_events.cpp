#include "runtime/host/detail/window_thread.h"

#include <GL/freeglut.h>
#include <X11/Xlibint.h>
#include <X11/Xproto.h>
#include <X11/keysym.h>
#undef min
#undef max

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/input/input.h"
#include "runtime/platform/platform.h"

// The look at every X key event before freeglut sees it.
namespace {

using wire_to_event_proc = Bool (*)(Display*, XEvent*, xEvent*);

Display* window_display = nullptr;
wire_to_event_proc xlib_key_event[KeyRelease + 1] = {};

// Keys as the window thread's Xlib reads them. The X keycode of the evdev
// keyboard is the PC scan code + 8 for the ordinary keys; the extended (grey)
// keys are numbered as the PC window system numbers them, 0x100 + scan code.
constexpr int32_t keycode_pause = 127;
constexpr int32_t keycode_scroll_lock = 78;
constexpr int32_t keycode_tab = 23;

int32_t scan_of_keycode(int32_t keycode, bool ctrl) {
  if (keycode >= 9 && keycode <= 96) return keycode == 77 ? 0x145 : keycode - 8;  // Num Lock is extended
  switch (keycode) {
    case 104: return 0x11C;  // keypad Enter
    case 105: return 0x11D;  // right Ctrl
    case 106: return 0x135;  // keypad /
    case 107: return 0x137;  // Print Screen
    case 108: return 0x138;  // right Alt
    case 110: return 0x147;  // Home
    case 111: return 0x148;  // Up
    case 112: return 0x149;  // Page Up
    case 113: return 0x14B;  // Left
    case 114: return 0x14D;  // Right
    case 115: return 0x14F;  // End
    case 116: return 0x150;  // Down
    case 117: return 0x151;  // Page Down
    case 118: return 0x152;  // Insert
    case 119: return 0x153;  // Delete
    case keycode_pause: return ctrl ? 0x146 : 0x45;  // Break with Ctrl, else Pause
    case 133: return 0x15B;  // left Windows key
    case 134: return 0x15C;  // right Windows key
    case 135: return 0x15D;  // Menu
    default: return 0;
  }
}

bool is_modifier_scan(int32_t scan) {
  switch (scan) {
    case 0x2A: case 0x36: case 0x1D: case 0x11D: case 0x38: case 0x138: case 0x15B: case 0x15C:
    case 0x3A: case 0x145: case 0x46:
      return true;
    default:
      return false;
  }
}

// Window thread only: what the hook has seen of each key.
int32_t press_scan[256];        // scan code reported at the key's press, 0 = up
int32_t break_code[256];        // 100019 or 100318 while Pause / Ctrl+Break is down
bool scan_down[512];
int32_t ordinary_keys_down = 0;  // keys down that are not modifiers or locks
int32_t keys_down = 0;           // every key this window saw go down and not up
bool sweep_due = false;          // the last ordinary key went up
clipboard_keycodes clipboard_keys;
bool clipboard_key_down[256];    // a clipboard key is down: its repeats and release are the window's too

void key_went_down(int32_t keycode, int32_t scan) {
  if (press_scan[keycode] != 0) return;  // a repeat
  press_scan[keycode] = scan;
  scan_down[scan] = true;
  ++keys_down;
  if (!is_modifier_scan(scan)) ++ordinary_keys_down;
}

void key_went_up(int32_t keycode) {
  const int32_t scan = press_scan[keycode];
  if (scan == 0) return;
  press_scan[keycode] = 0;
  scan_down[scan] = false;
  --keys_down;
  if (!is_modifier_scan(scan) && --ordinary_keys_down == 0) sweep_due = true;
}

// Xlib calls this for every key event as it reads it from the server, before the
// event is queued for freeglut; the event is always kept. It runs inside Xlib and
// must not call Xlib on this display.
Bool key_event_filter(Display* display, XEvent* event, xEvent* wire) {
  const int type = wire->u.u.type & 0x7F;
  const Bool keep = xlib_key_event[type](display, event, wire);
  if (!keep || (event->type != KeyPress && event->type != KeyRelease)) return keep;
  const int32_t keycode = static_cast<int32_t>(event->xkey.keycode) & 0xFF;
  const bool ctrl = (event->xkey.state & ControlMask) != 0;
  // Shift+Tab reads as the back-tab key symbol, which freeglut drops. Without
  // the Shift bit it arrives as Tab, and the Shift key, held, still selects the
  // back-tab's code.
  if (keycode == keycode_tab) event->xkey.state &= ~static_cast<unsigned>(ShiftMask);
  // The window's clipboard keys are dropped here, so freeglut never reports them.
  if (event->type == KeyPress) {
    const clipboard_key key = clipboard_key_of(clipboard_keys, keycode, event->xkey.state);
    if (key != clipboard_key::none) {
      // Held, the key repeats: it acts once.
      if (!clipboard_key_down[keycode]) clipboard_key_pressed(key);
      clipboard_key_down[keycode] = true;
      return False;
    }
    // Without its modifiers now (let go while the key repeats), the key is the program's again.
    clipboard_key_down[keycode] = false;
    if (press_scan[keycode] == 0) real_key_pressed();
  } else if (clipboard_key_down[keycode]) {
    clipboard_key_down[keycode] = false;
    return False;
  }
  if (event->type == KeyPress) {
    const int32_t scan = press_scan[keycode] != 0 ? press_scan[keycode] : scan_of_keycode(keycode, ctrl);
    if (scan != 0) {
      key_went_down(keycode, scan);
      keyboard_hook(scan, 1);
    }
    // Pause and Ctrl+Break (Ctrl+Pause or Ctrl+Scroll Lock), which freeglut does not report.
    if (keycode == keycode_pause || (keycode == keycode_scroll_lock && ctrl)) {
      const int32_t code = break_code[keycode] != 0 ? break_code[keycode]
                           : keycode == keycode_pause && !ctrl ? 100019 : 100318;
      break_code[keycode] = code;
      break_key_event(code, true);
    }
  } else {
    const int32_t scan = press_scan[keycode];
    if (scan != 0) {
      key_went_up(keycode);
      keyboard_hook(scan, 0);
    }
    if (break_code[keycode] != 0) {
      break_key_event(break_code[keycode], false);
      break_code[keycode] = 0;
    }
  }
  return keep;
}

// Character and two-byte keys still held after every ordinary key has gone up
// (their release read as another character) are released now.
void release_stale_keys() {
  if (!sweep_due || ordinary_keys_down != 0) return;
  sweep_due = false;
  for (const int32_t code : held_keys_snapshot())
    if ((code >= 1 && code <= 0xFFFF) || code == 200013) key_up(code);
}

constexpr int32_t focus_poll_ms = 50;

bool modifier_held() {
  for (const int32_t code : {kc_left_shift, kc_right_shift, kc_left_ctrl, kc_right_ctrl, kc_left_alt, kc_right_alt})
    if (held_keys_contains(code)) return true;
  return false;
}

// While another window has the focus, keys released there are not reported to
// this one: modifiers and keys found up are released here. With nothing held
// there is nothing to release, and the server is not asked.
void poll_keys_without_focus() {
  static int64_t last_poll = 0;
  const int64_t now = ms_counter();
  if (!window_display || now - last_poll < focus_poll_ms) return;
  last_poll = now;
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(window_display, &focus, &revert);
  if (focus == static_cast<Window>(window_facts.handle.load())) return;

  key_lock_state s;
  if (read_key_lock_state(&s)) {
    const struct {
      bool down;
      int special;
      int32_t code;
    } modifiers[] = {{s.left_shift, GLUT_KEY_SHIFT_L, kc_left_shift},  {s.right_shift, GLUT_KEY_SHIFT_R, kc_right_shift},
                     {s.left_ctrl, GLUT_KEY_CTRL_L, kc_left_ctrl},     {s.right_ctrl, GLUT_KEY_CTRL_R, kc_right_ctrl},
                     {s.left_alt, GLUT_KEY_ALT_L, kc_left_alt},        {s.right_alt, GLUT_KEY_ALT_R, kc_right_alt}};
    for (const auto& m : modifiers)
      if (!m.down && held_keys_contains(m.code)) special_up_callback(m.special, 0, 0);
  }
  char keys[32];
  XQueryKeymap(window_display, keys);
  for (int32_t keycode = 0; keycode < 256; ++keycode) {
    if (!(keys[keycode / 8] & (1 << (keycode % 8)))) clipboard_key_down[keycode] = false;
    if (press_scan[keycode] == 0 || (keys[keycode / 8] & (1 << (keycode % 8)))) continue;
    const int32_t scan = press_scan[keycode];
    key_went_up(keycode);
    keyboard_hook(scan, 0);
    if (break_code[keycode] != 0) {
      break_key_event(break_code[keycode], false);
      break_code[keycode] = 0;
    }
  }
  release_stale_keys();
}

}  // namespace

clipboard_key clipboard_key_of(const clipboard_keycodes& keys, int32_t keycode, unsigned state) {
  if (!keys.on || keycode == 0) return clipboard_key::none;
  const unsigned held = state & (ShiftMask | ControlMask | Mod1Mask | Mod4Mask);
  constexpr unsigned ctrl_shift = ShiftMask | ControlMask;
  if (held == ctrl_shift && keycode == keys.c) return clipboard_key::copy;
  if (held == ctrl_shift && keycode == keys.v) return clipboard_key::paste;
  if (held == ShiftMask && keycode == keys.insert) return clipboard_key::paste;
  return clipboard_key::none;
}

void key_event_hook_install(Display* display) {
  window_display = display;
  // Looked up now: the hook runs inside Xlib and may not ask the server.
  clipboard_keys.c = XKeysymToKeycode(display, XK_c);
  clipboard_keys.v = XKeysymToKeycode(display, XK_v);
  clipboard_keys.insert = XKeysymToKeycode(display, XK_Insert);
  clipboard_keys.on = clipboard_keys_wanted(environment_value("QUINTARO_CLIPBOARD_KEYS"));
  xlib_key_event[KeyPress] = XESetWireToEvent(display, KeyPress, key_event_filter);
  xlib_key_event[KeyRelease] = XESetWireToEvent(display, KeyRelease, key_event_filter);
}

int key_event_hook_pass() {
  release_stale_keys();
  if (keys_down == 0 && !modifier_held()) return -1;
  poll_keys_without_focus();
  return focus_poll_ms;
}

bool physical_key_down(int32_t scan) { return scan >= 0 && scan < 512 && scan_down[scan]; }

// freeglut's keyboard callbacks: characters and special keys as key codes.
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
  return held_character_of_key(code);
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
