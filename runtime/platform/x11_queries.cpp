#include "runtime/platform/platform.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <mutex>

namespace {
// Start-up and the main loop both poll; Xlib connections are not shared between
// threads, so this connection is the layer's own and used under a lock.
std::mutex connection_mutex;
Display* connection = nullptr;
bool connection_tried = false;
Atom caps_atom, num_atom, scroll_atom;

Display* lock_display() {
  if (!connection_tried) {
    connection_tried = true;
    connection = XOpenDisplay(nullptr);
    if (connection) {
      caps_atom = XInternAtom(connection, "Caps Lock", False);
      num_atom = XInternAtom(connection, "Num Lock", False);
      scroll_atom = XInternAtom(connection, "Scroll Lock", False);
    }
  }
  return connection;
}

bool indicator_on(Display* d, Atom name, unsigned int locked_mods, unsigned int fallback_mask) {
  Bool on = False;
  if (XkbGetNamedIndicator(d, name, nullptr, &on, nullptr, nullptr)) return on;
  return fallback_mask != 0 && (locked_mods & fallback_mask) != 0;
}

// The connection also carries Xkb's notices of lock and indicator changes (and
// nothing else: no window of it selects events), so a look needs no round trip.
bool notices_tried = false;
bool notices_on = false;
int64_t last_full_look = 0;

void ask_for_notices(Display* d) {
  notices_tried = true;
  int opcode = 0, event_base = 0, error_base = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (!XkbQueryExtension(d, &opcode, &event_base, &error_base, &major, &minor)) return;
  notices_on = XkbSelectEventDetails(d, XkbUseCoreKbd, XkbStateNotify, XkbModifierLockMask, XkbModifierLockMask) &&
               XkbSelectEventDetails(d, XkbUseCoreKbd, XkbIndicatorStateNotify, XkbAllIndicatorsMask,
                                     XkbAllIndicatorsMask);
  XFlush(d);
}

bool key_down_in(Display* d, const char keys[32], KeySym sym) {
  const KeyCode code = XKeysymToKeycode(d, sym);
  return code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0;
}
}  // namespace

bool read_key_lock_state(key_lock_state* state) {
  *state = {};
  std::lock_guard<std::mutex> lock(connection_mutex);
  Display* d = lock_display();
  if (!d) return false;

  XkbStateRec xkb{};
  XkbGetState(d, XkbUseCoreKbd, &xkb);
  state->caps_on = indicator_on(d, caps_atom, xkb.locked_mods, LockMask);
  state->num_on = indicator_on(d, num_atom, xkb.locked_mods, Mod2Mask);
  state->scroll_on = indicator_on(d, scroll_atom, xkb.locked_mods, 0);

  char keys[32];
  XQueryKeymap(d, keys);
  state->scroll_held = key_down_in(d, keys, XK_Scroll_Lock);
  state->left_shift = key_down_in(d, keys, XK_Shift_L);
  state->right_shift = key_down_in(d, keys, XK_Shift_R);
  state->left_ctrl = key_down_in(d, keys, XK_Control_L);
  state->right_ctrl = key_down_in(d, keys, XK_Control_R);
  state->left_alt = key_down_in(d, keys, XK_Alt_L);
  state->right_alt = key_down_in(d, keys, XK_Alt_R) || key_down_in(d, keys, XK_ISO_Level3_Shift);
  return true;
}

bool key_lock_state_may_have_changed() {
  std::lock_guard<std::mutex> lock(connection_mutex);
  Display* d = lock_display();
  if (!d) return false;
  const int64_t now = ms_counter();
  bool changed = !notices_tried || !notices_on || now - last_full_look >= 1000;
  if (!notices_tried) ask_for_notices(d);
  while (XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    changed = true;
  }
  if (changed) last_full_look = now;
  return changed;
}

bool platform_window_iconic(unsigned long window) {
  if (window == 0) return false;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  // A window manager records the state in WM_STATE: 3 is iconic.
  const Atom wm_state = XInternAtom(d, "WM_STATE", True);
  bool iconic = false;
  if (wm_state != None) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, window, wm_state, 0, 2, False, wm_state, &type, &format, &items, &after,
                           &data) == Success &&
        data) {
      if (format == 32 && items >= 1) iconic = reinterpret_cast<long*>(data)[0] == IconicState;
      XFree(data);
    }
  }
  XCloseDisplay(d);
  return iconic;
}
