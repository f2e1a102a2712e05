// Leaves the display as a window manager that died leaves it: the root's
// _NET_SUPPORTING_WM_CHECK (and _NET_SUPPORTED) still name a check window,
// which went with the manager's connection. Prints the dead window's id.
// Usage: dead_wm_check
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <initializer_list>

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const Window root = DefaultRootWindow(display);
  const Window check = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
  const Atom check_atom = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  for (Window w : {root, check})
    XChangeProperty(display, w, check_atom, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&check), 1);
  // What the manager said it supports, as a full-screen capable one does.
  Atom supported[] = {XInternAtom(display, "_NET_WM_STATE", False),
                      XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False)};
  XChangeProperty(display, root, XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(supported), 2);
  // The properties stay on the root after this connection closes; the window goes.
  XSetCloseDownMode(display, DestroyAll);
  std::printf("0x%lx\n", check);
  XCloseDisplay(display);
  return 0;
}
