#include "runtime/platform/window_query.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

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
