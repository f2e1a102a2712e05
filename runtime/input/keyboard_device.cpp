#include "runtime/input/keyboard_device.h"

#include "runtime/input/device_events.h"

void keyboard_hook(int32_t scan_code, int32_t pressed) {
  if (scan_code < 0 || scan_code > 511) return;
  const int32_t down = pressed ? 1 : 0;
  if (device_event_button(keyboard_device, device_last_event(keyboard_device), scan_code) == down) return;
  const int32_t e = new_device_event(keyboard_device);
  if (e < 0) return;
  set_device_button(keyboard_device, e, scan_code, down);
  commit_device_event(keyboard_device);
}
