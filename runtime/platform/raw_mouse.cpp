#include "runtime/platform/raw_mouse.h"

#include <X11/extensions/XInput2.h>

#include <cmath>
#include <cstdint>

#include "runtime/input/keyboard_events.h"

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
  if (dx != 0 || dy != 0) window_event_hook(3, dx, dy);
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
