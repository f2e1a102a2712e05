#pragma once
// The runtime's window as a desktop program sees it: the class, process, host
// and icon properties that task bars and desktop entries match it by, and where
// a new window may be put. Window thread only, on the connection it is given.
#include <cstdint>

#include <X11/Xlib.h>

// One icon size: width x height pixels, rows top first, each 0xAARRGGBB.
struct desktop_icon {
  int32_t width;
  int32_t height;
  const uint32_t* argb;
};

// What the window is known by on the desktop.
struct desktop_identity {
  const char* instance;    // first part of WM_CLASS
  const char* class_name;  // second part of WM_CLASS; a desktop entry's StartupWMClass
  const desktop_icon* icons;
  int32_t icon_count;
};

// True when a window manager runs on the display's default screen: someone owns
// the WM_Sn selection, or the root window names a supporting-WM check window that
// still exists and names itself. A check window that is gone (its manager
// died) is no longer named on the root. It makes this connection ignore its X
// errors (a stale check window is one): give it a connection of its own.
bool desktop_window_manager_running(Display* display);

// Size of the display's default screen in pixels.
void desktop_screen_size(Display* display, int32_t* width, int32_t* height);

// Top-left corner that centres a width x height window on a screen, clamped so
// that the corner stays on the screen when the window is larger than it.
void desktop_centred_origin(int32_t screen_width, int32_t screen_height, int32_t width,
                            int32_t height, int32_t* x, int32_t* y);

// Sets WM_CLASS, WM_CLIENT_MACHINE, _NET_WM_PID and, when icons are given,
// _NET_WM_ICON on the window. Icons with a side outside 1..256 are left out.
void desktop_window_identify(Display* display, Window window, const desktop_identity& identity);

// A window manager may read WM_CLASS only when it takes a window on, and freeglut
// maps its window before the class can be set. This withdraws the window and maps
// it again, so that the manager takes it on anew with the properties in place. The
// manager sees the requests in order, so no answer needs to be waited for.
void desktop_window_remap(Display* display, Window window);

// WM_NORMAL_HINTS of the window: the size it has or is asked to take, and
// min = max = that size while the runtime holds the window at it (locked), so
// that a window manager offers no resizing; unlocked, only max_side caps it.
// Other fields (position, gravity) stay as they are.
void desktop_window_size_hints(Display* display, Window window, int32_t width, int32_t height,
                               bool locked, int32_t max_side);

// From before glutInit until the window is made and named: X errors on any of
// the process's connections are written to stderr once and otherwise ignored,
// instead of ending the process (a stale window manager check window is one).
// Release syncs the window's connection first, so that errors of requests made
// until then are handled by the trap; from then on X errors are written out
// (the first ten) and ignored, never ending the process from inside Xlib.
void window_creation_errors_trap();
void window_creation_errors_release(Display* display);
