#include "runtime/host/detail/window_thread.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xproto.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#undef min
#undef max

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/input/input.h"
#include "runtime/platform/platform.h"

namespace {

using wire_to_event_proc = Bool (*)(Display*, XEvent*, xEvent*);

Display* window_display = nullptr;
Atom wm_protocols = 0;
Atom wm_delete_window = 0;
wire_to_event_proc xlib_client_message = nullptr;
wire_to_event_proc xlib_expose = nullptr;

std::atomic<int32_t> park_requested{0};
std::atomic<int32_t> parked{0};

// A render that leaves more to do (a full-screen change waiting for the window
// to be resized) looks again a frame later.
constexpr int retry_wait_ms = 16;

// Xlib calls this for every ClientMessage as it reads it from the server, before
// the event is queued, so freeglut never sees what is dropped here. It runs inside
// Xlib and must not call Xlib on this display.
Bool client_message_filter(Display* display, XEvent* event, xEvent* wire) {
  const Bool keep = xlib_client_message(display, event, wire);
  if (keep && event->type == ClientMessage && event->xclient.message_type == wm_protocols &&
      static_cast<Atom>(event->xclient.data.l[0]) == wm_delete_window) {
    window_close_request();
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

// A close request read into the queue before the filter was in place.
Bool is_close_request(Display*, XEvent* event, XPointer) {
  return event->type == ClientMessage && event->xclient.message_type == wm_protocols &&
         static_cast<Atom>(event->xclient.data.l[0]) == wm_delete_window;
}

}  // namespace

namespace {
bool swap_owed = false;  // a render drawn while paused, shown once the pause ends
bool display_ran = false;  // the display callback ran in this pass of the window loop
}  // namespace

// The window is drawn only when its picture changed; a picture drawn during a
// pause waits in the back buffer until the pause ends.
void display_callback() {
  display_ran = true;
  if (render_frame()) swap_owed = true;
  if (swap_owed && (run_flags.paused.load() & 1) == 0) {
    glutSwapBuffers();
    swap_owed = false;
  }
}

namespace {
bool redisplay_wanted() { return render_wanted() || (swap_owed && (run_flags.paused.load() & 1) == 0); }
}  // namespace

void window_procedure_install() {
  window_display = glXGetCurrentDisplay();
  if (!window_display) return;
  wm_protocols = XInternAtom(window_display, "WM_PROTOCOLS", False);
  wm_delete_window = XInternAtom(window_display, "WM_DELETE_WINDOW", False);
  xlib_client_message = XESetWireToEvent(window_display, ClientMessage, client_message_filter);
  xlib_expose = XESetWireToEvent(window_display, Expose, expose_filter);
  // Requests Xlib read while freeglut was making the window are queued already.
  XEvent queued;
  while (XCheckIfEvent(window_display, &queued, is_close_request, nullptr)) window_close_request();
  key_event_hook_install(window_display);
}

void window_loop() {
  const int fd = window_display ? ConnectionNumber(window_display) : -1;
  // freeglut carries out what a render asked of it (a new window size, full
  // screen) only in its next pass, so a pass in which the display callback ran
  // (asked for here, or by freeglut itself after a resize or expose) is always
  // followed by another: at once, or a frame later when that one rendered too.
  bool follow_up = false;
  while (park_requested.load() == 0) {
    run_window_requests();
    // The window is redrawn only when there is something new to show: a frame,
    // an expose or resize, hardware-layer commands, another view or overlay.
    if (!follow_up && redisplay_wanted()) glutPostRedisplay();
    display_ran = false;
    glutMainLoopEvent();
    int wait = key_event_hook_pass();
    // Raw motion is asked for once the pointer has first moved over the window.
    if (mouse_raw_motion_wanted()) raw_mouse_start(window_display);
    raw_mouse_pass();
    if (display_ran && !follow_up) {
      follow_up = true;
      continue;
    }
    const bool after_render = follow_up || display_ran;
    follow_up = false;
    if ((window_display && XPending(window_display)) || key_events_waiting()) continue;
    if (display_ran || redisplay_wanted()) {
      if (!after_render) continue;  // it came during this pass: draw it now
      // Still wanted right after a render (a full-screen change or a window
      // size waiting for the server): look again a frame later.
      wait = wait < 0 ? retry_wait_ms : std::min(wait, retry_wait_ms);
    }
    // Sleep until the server sends something, another thread posts work or has
    // something new to show, or a held key is due to be looked at again.
    pollfd p[3] = {{fd, POLLIN, 0}, {wake_fd(), POLLIN, 0}, {raw_mouse_fd(), POLLIN, 0}};
    if (poll(p, 3, wait) > 0 && (p[1].revents & POLLIN)) wake_clear();
  }
  parked.store(1);
  for (;;) platform_sleep(100);
}

void window_loop_park(int timeout_ms) {
  park_requested.store(1);
  wake_signal();  // the window thread may be asleep with nothing to draw
  for (int waited = 0; parked.load() == 0 && waited < timeout_ms; waited += 2) platform_sleep(2);
}

// Raw mouse motion, read from XInput2 on a connection of the window thread's own.
namespace {

Display* raw_display = nullptr;
int xi_opcode = -1;
bool tried = false;
bool started = false;

// What the raw events of one source device mean: movement (relative devices) or
// positions (absolute devices such as tablets and the test-input device), whose
// movement is the difference from the previous report.
struct source_state {
  bool known = false;
  bool absolute = false;
  bool has_last = false;
  double last_x = 0, last_y = 0;
};
constexpr int max_sources = 256;
source_state sources[max_sources];

source_state* source_of(int id) {
  if (id < 0 || id >= max_sources) return nullptr;
  source_state& s = sources[id];
  if (!s.known) {
    s.known = true;
    int n = 0;
    XIDeviceInfo* info = XIQueryDevice(raw_display, id, &n);
    for (int i = 0; info && i < n; ++i)
      for (int c = 0; c < info[i].num_classes; ++c) {
        const XIAnyClassInfo* any = info[i].classes[c];
        if (any->type != XIValuatorClass) continue;
        const auto* v = reinterpret_cast<const XIValuatorClassInfo*>(any);
        if (v->number == 0 && v->mode == XIModeAbsolute) s.absolute = true;
      }
    if (info) XIFreeDeviceInfo(info);
  }
  return &s;
}

void report(const XIRawEvent* e) {
  source_state* s = source_of(e->sourceid);
  if (!s) return;
  double x = 0, y = 0;
  bool has_x = false, has_y = false;
  const double* value = e->raw_values;
  for (int bit = 0; bit < e->valuators.mask_len * 8; ++bit) {
    if (!XIMaskIsSet(e->valuators.mask, bit)) continue;
    if (bit == 0) x = *value, has_x = true;
    if (bit == 1) y = *value, has_y = true;
    ++value;
  }
  int32_t dx = 0, dy = 0;
  if (s->absolute) {
    if (!has_x) x = s->last_x;
    if (!has_y) y = s->last_y;
    if (s->has_last) {
      dx = static_cast<int32_t>(std::lround(x) - std::lround(s->last_x));
      dy = static_cast<int32_t>(std::lround(y) - std::lround(s->last_y));
    }
    s->last_x = x;
    s->last_y = y;
    s->has_last = true;
  } else {
    dx = has_x ? static_cast<int32_t>(std::lround(x)) : 0;
    dy = has_y ? static_cast<int32_t>(std::lround(y)) : 0;
  }
  if (dx != 0 || dy != 0) mouse_raw_motion(dx, dy);
}

}  // namespace

bool raw_mouse_start(Display* window_display) {
  if (tried) return started;
  tried = true;
  if (!window_display) return false;
  raw_display = XOpenDisplay(DisplayString(window_display));
  if (!raw_display) return false;
  int event_base = 0, error_base = 0;
  int major = 2, minor = 2;
  if (!XQueryExtension(raw_display, "XInputExtension", &xi_opcode, &event_base, &error_base) ||
      XIQueryVersion(raw_display, &major, &minor) != Success || major < 2) {
    XCloseDisplay(raw_display);
    raw_display = nullptr;
    return false;
  }
  unsigned char mask_bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(mask_bits, XI_RawMotion);
  XIEventMask mask;
  // Before version 2.1 raw events come only from the physical (slave) devices.
  mask.deviceid = minor >= 1 ? XIAllMasterDevices : XIAllDevices;
  mask.mask_len = sizeof mask_bits;
  mask.mask = mask_bits;
  XISelectEvents(raw_display, DefaultRootWindow(raw_display), &mask, 1);
  XFlush(raw_display);
  started = true;
  return true;
}

int raw_mouse_fd() { return started ? ConnectionNumber(raw_display) : -1; }

void raw_mouse_pass() {
  if (!started) return;
  while (XPending(raw_display)) {
    XEvent event;
    XNextEvent(raw_display, &event);
    XGenericEventCookie* cookie = &event.xcookie;
    if (cookie->type != GenericEvent || cookie->extension != xi_opcode || !XGetEventData(raw_display, cookie))
      continue;
    if (cookie->evtype == XI_RawMotion) report(static_cast<const XIRawEvent*>(cookie->data));
    XFreeEventData(raw_display, cookie);
  }
}
