#include "runtime/platform/window_procedure.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>  // XESetWireToEvent: the hook into Xlib's event conversion
#include <X11/Xproto.h>
#undef min
#undef max

#include "runtime/display/display_callbacks.h"
#include "runtime/display/window_requests.h"
#include "runtime/input/keyboard_events.h"
#include "runtime/input/mouse_callbacks.h"
#include "runtime/platform/clock.h"
#include "runtime/platform/key_event_hook.h"
#include "runtime/platform/raw_mouse.h"

namespace {

using wire_to_event_proc = Bool (*)(Display*, XEvent*, xEvent*);

Display* window_display = nullptr;
Atom wm_protocols = 0;
Atom wm_delete_window = 0;
wire_to_event_proc xlib_client_message = nullptr;
wire_to_event_proc xlib_expose = nullptr;

std::atomic<int32_t> park_requested{0};
std::atomic<int32_t> parked{0};

// Written by other threads when they post work for the window thread.
const int wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);

// Longest sleep between passes of freeglut's timers and redisplays.
constexpr int64_t longest_wait_ms = 16;

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

// Exposed parts of the window have lost their picture: the next redisplay
// draws again even when no new frame has come.
Bool expose_filter(Display* display, XEvent* event, xEvent* wire) {
  const Bool keep = xlib_expose(display, event, wire);
  if (keep && event->type == Expose) window_damaged();
  return keep;
}


}  // namespace

void window_procedure_install() {
  window_display = glXGetCurrentDisplay();
  if (!window_display) return;
  wm_protocols = XInternAtom(window_display, "WM_PROTOCOLS", False);
  wm_delete_window = XInternAtom(window_display, "WM_DELETE_WINDOW", False);
  xlib_client_message = XESetWireToEvent(window_display, ClientMessage, client_message_filter);
  xlib_expose = XESetWireToEvent(window_display, Expose, expose_filter);
  key_event_hook_install(window_display);
}

void window_loop() {
  const int fd = window_display ? ConnectionNumber(window_display) : -1;
  while (park_requested.load() == 0) {
    run_window_requests();
    glutMainLoopEvent();
    key_event_hook_pass();
    // Raw motion is asked for once the pointer has first moved over the window.
    if (mouse_raw_motion_wanted()) raw_mouse_start(window_display);
    raw_mouse_pass();
    if (window_display && XPending(window_display)) continue;
    // Sleep until the server sends something, another thread posts work, or the
    // frame timer is due.
    const int64_t wait = std::clamp<int64_t>(redisplay_due_ms() - ms_counter(), 0, longest_wait_ms);
    pollfd p[3] = {{fd, POLLIN, 0}, {wake_fd, POLLIN, 0}, {raw_mouse_fd(), POLLIN, 0}};
    if (poll(p, 3, static_cast<int>(wait)) > 0 && (p[1].revents & POLLIN)) {
      uint64_t count;
      [[maybe_unused]] const ssize_t n = read(wake_fd, &count, sizeof count);
    }
  }
  parked.store(1);
  for (;;) platform_sleep(100);
}

void window_loop_wake() {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(wake_fd, &one, sizeof one);
}

void window_loop_park(int timeout_ms) {
  park_requested.store(1);
  for (int waited = 0; parked.load() == 0 && waited < timeout_ms; waited += 2) platform_sleep(2);
}
