#include "runtime/platform/window_procedure.h"

#include <poll.h>

#include <atomic>

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>  // XESetWireToEvent: the hook into Xlib's event conversion
#include <X11/Xproto.h>
#undef min
#undef max

#include "runtime/display/window_requests.h"
#include "runtime/input/keyboard_events.h"
#include "runtime/platform/clock.h"

namespace {

using wire_to_event_proc = Bool (*)(Display*, XEvent*, xEvent*);

Display* window_display = nullptr;
Atom wm_protocols = 0;
Atom wm_delete_window = 0;
wire_to_event_proc xlib_client_message = nullptr;

std::atomic<int32_t> park_requested{0};
std::atomic<int32_t> parked{0};

// Xlib calls this for every ClientMessage as it reads it from the server, before
// the event is queued, so freeglut never sees what is dropped here. It runs inside
// Xlib and must not call Xlib on this display.
Bool client_message_filter(Display* display, XEvent* event, xEvent* wire) {
  const Bool keep = xlib_client_message(display, event, wire);
  if (keep && event->type == ClientMessage && event->xclient.message_type == wm_protocols &&
      static_cast<Atom>(event->xclient.data.l[0]) == wm_delete_window) {
    window_event_hook(1, 0, 0);
    return False;  // the window stays open
  }
  return keep;
}

}  // namespace

void window_procedure_install() {
  window_display = glXGetCurrentDisplay();
  if (!window_display) return;
  wm_protocols = XInternAtom(window_display, "WM_PROTOCOLS", False);
  wm_delete_window = XInternAtom(window_display, "WM_DELETE_WINDOW", False);
  xlib_client_message = XESetWireToEvent(window_display, ClientMessage, client_message_filter);
  // Key presses and releases join the same place for the scan codes of the
  // keyboard device, Pause and Ctrl+Break.
}

void window_loop() {
  const int fd = window_display ? ConnectionNumber(window_display) : -1;
  while (park_requested.load() == 0) {
    run_window_requests();
    glutMainLoopEvent();
    if (window_display && XPending(window_display)) continue;
    // Sleep until the server sends something, or briefly so freeglut's timers run on time.
    pollfd p{fd, POLLIN, 0};
    poll(&p, fd >= 0 ? 1 : 0, 2);
  }
  parked.store(1);
  for (;;) platform_sleep(100);
}

void window_loop_park(int timeout_ms) {
  park_requested.store(1);
  for (int waited = 0; parked.load() == 0 && waited < timeout_ms; waited += 2) platform_sleep(2);
}
