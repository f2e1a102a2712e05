#include "runtime/host/detail/window_thread.h"

#include <vector>

#include <X11/Xlibint.h>
#include <X11/Xproto.h>
#include <X11/keysym.h>
#include <X11/Xutil.h>
#undef min
#undef max

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/input/input.h"
#include "runtime/platform/platform.h"

// Every X key event of the window, taken from Xlib before freeglut sees it.
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

// Key events as Xlib read them, taken away from freeglut: translated and handed
// to input after the pass that read them, in the order they came.
std::vector<XKeyEvent> taken_keys;

// Xlib calls this for every event of these types as it reads it from the server.
// Key events are queued here and dropped from Xlib's queue, so that each enters
// the runtime once, through key_events_drain. It runs inside Xlib and must not
// call Xlib on this display.
Bool key_event_filter(Display* display, XEvent* event, xEvent* wire) {
  const int type = wire->u.u.type & 0x7F;
  const Bool keep = xlib_key_event[type](display, event, wire);
  if (!keep || (event->type != KeyPress && event->type != KeyRelease)) return keep;
  taken_keys.push_back(event->xkey);
  return False;
}

// The key code an event gives: from its character when it has one (as XLookupString
// reads it), else from its key symbol; 0 for none.
int32_t code_of_event(XKeyEvent* event, bool press) {
  char text[16];
  KeySym symbol = NoSymbol;
  if (XLookupString(event, text, sizeof text, &symbol, nullptr) > 0) {
    const auto c = static_cast<unsigned char>(text[0]);
    const int32_t code = press ? character_key_code(c, event->state, physical_key_down)
                               : character_release_code(c, event->state, physical_key_down);
    return code == 0 ? kc_zero : code;
  }
  const int32_t code = special_key_code(symbol);
  // Modifier keys count only on a change: the window system repeats held keys.
  if (code > 0xFFFF && held_keys_contains(code) == press) return 0;
  return code;
}

void key_event_arrived(XKeyEvent* event) {
  const int32_t keycode = static_cast<int32_t>(event->keycode) & 0xFF;
  const bool ctrl = (event->state & ControlMask) != 0;
  // Shift+Tab reads as the back-tab key symbol. Without the Shift bit it reads
  // as Tab, and the Shift key, held, still selects the back-tab's code.
  if (keycode == keycode_tab) event->state &= ~static_cast<unsigned>(ShiftMask);
  if (event->type == KeyPress) {
    // The window's clipboard keys are the window's own: the program never sees them.
    const clipboard_key key = clipboard_key_of(clipboard_keys, keycode, event->state);
    if (key != clipboard_key::none) {
      // Held, the key repeats: it acts once.
      if (!clipboard_key_down[keycode]) clipboard_key_pressed(key);
      clipboard_key_down[keycode] = true;
      return;
    }
    // Without its modifiers now (let go while the key repeats), the key is the program's again.
    clipboard_key_down[keycode] = false;
    if (press_scan[keycode] == 0) real_key_pressed();
    const int32_t scan = press_scan[keycode] != 0 ? press_scan[keycode] : scan_of_keycode(keycode, ctrl);
    if (scan != 0) key_went_down(keycode, scan);
    // Pause and Ctrl+Break (Ctrl+Pause or Ctrl+Scroll Lock) give no character or key symbol of their own.
    if (keycode == keycode_pause || (keycode == keycode_scroll_lock && ctrl)) {
      if (break_code[keycode] == 0) break_code[keycode] = keycode == keycode_pause && !ctrl ? kc_pause : kc_break;
      key_event(scan, break_code[keycode], true);
      return;
    }
    key_event(scan, code_of_event(event, true), true);
    return;
  }
  if (clipboard_key_down[keycode]) {
    clipboard_key_down[keycode] = false;
    return;
  }
  const int32_t scan = press_scan[keycode];
  if (scan != 0) key_went_up(keycode);
  if (break_code[keycode] != 0) {
    key_event(scan, break_code[keycode], false);
    break_code[keycode] = 0;
    return;
  }
  key_event(scan, code_of_event(event, false), false);
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
      int32_t code;
    } modifiers[] = {{s.left_shift, kc_left_shift}, {s.right_shift, kc_right_shift}, {s.left_ctrl, kc_left_ctrl},
                     {s.right_ctrl, kc_right_ctrl}, {s.left_alt, kc_left_alt},     {s.right_alt, kc_right_alt}};
    for (const auto& m : modifiers)
      if (!m.down && held_keys_contains(m.code)) key_event(0, m.code, false);
  }
  char keys[32];
  XQueryKeymap(window_display, keys);
  for (int32_t keycode = 0; keycode < 256; ++keycode) {
    if (!(keys[keycode / 8] & (1 << (keycode % 8)))) clipboard_key_down[keycode] = false;
    if (press_scan[keycode] == 0 || (keys[keycode / 8] & (1 << (keycode % 8)))) continue;
    const int32_t scan = press_scan[keycode];
    key_went_up(keycode);
    key_event(scan, break_code[keycode], false);
    break_code[keycode] = 0;
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
  key_events_drain();
  release_stale_keys();
  if (keys_down == 0 && !modifier_held()) return -1;
  poll_keys_without_focus();
  return focus_poll_ms;
}

void key_events_drain() {
  // An event may be read (and queued) while one is handed on: the index is re-read.
  for (size_t i = 0; i < taken_keys.size(); ++i) {
    XKeyEvent event = taken_keys[i];
    key_event_arrived(&event);
  }
  taken_keys.clear();
}

bool key_events_waiting() { return !taken_keys.empty(); }

bool physical_key_down(int32_t scan) { return scan >= 0 && scan < 512 && scan_down[scan]; }

// Characters and key symbols as key codes.
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

namespace {
constexpr unsigned shift_bits = ShiftMask | LockMask;  // Caps Lock reads as Shift for a Ctrl letter
}  // namespace

int32_t character_key_code(unsigned char c, unsigned state, scan_down_query down) {
  if (state & ControlMask) {
    const int32_t letter = c + ((state & shift_bits) ? 64 : 96);
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

int32_t special_key_code(unsigned long symbol) {
  if (symbol >= XK_F1 && symbol <= XK_F10) return kc_f1 + static_cast<int32_t>(symbol - XK_F1) * 256;
  switch (symbol) {
    case XK_F11: return kc_f11;
    case XK_F12: return kc_f12;
    case XK_Left: case XK_KP_Left: return kc_left;
    case XK_Up: case XK_KP_Up: return kc_up;
    case XK_Right: case XK_KP_Right: return kc_right;
    case XK_Down: case XK_KP_Down: return kc_down;
    case XK_Prior: case XK_KP_Prior: return kc_page_up;
    case XK_Next: case XK_KP_Next: return kc_page_down;
    case XK_Home: case XK_KP_Home: return kc_home;
    case XK_End: case XK_KP_End: return kc_end;
    case XK_Insert: case XK_KP_Insert: return kc_insert;
    // The main Delete key reads as character 127; the keypad's Delete with
    // Num Lock off has no character and arrives here.
    case XK_Delete: case XK_KP_Delete: return kc_delete;
    case XK_Shift_L: return kc_left_shift;
    case XK_Shift_R: return kc_right_shift;
    case XK_Control_L: return kc_left_ctrl;
    case XK_Control_R: return kc_right_ctrl;
    case XK_Alt_L: return kc_left_alt;
    case XK_Alt_R: return kc_right_alt;
    default: return 0;
  }
}

int32_t character_release_code(unsigned char c, unsigned state, scan_down_query down) {
  const int32_t code = character_key_code(c, state, down);
  if (held_keys_contains(code)) return code;
  // The release may read differently from the press (Ctrl or Shift let go
  // first): release the held key of the same control character or physical key.
  for (const int32_t other : {character_key_code(c, state ^ ControlMask, nullptr),
                              character_key_code(c, state | ControlMask, nullptr)})
    if (held_keys_contains(other)) return other;
  // The key is already up when its release is read, so its scan code no longer tells.
  for (const auto& s : ctrl_symbols)
    if (s.c == c && held_keys_contains(s.key)) return s.key;
  return held_character_of_key(code);
}
