#include "runtime/input/device_statements.h"

#include "runtime/core/core.h"
#include "runtime/input/device_events.h"

namespace {
// Program thread: the sequence number taken last of each device, and the event taken last.
uint64_t taken_sequence[device_table_capacity] = {};
int32_t current_device = 0;
device_event_copy* taken = new device_event_copy;  // kept for the life of the process

bool error_pending() { return pending_error.load() != 0; }

bool valid_device(int32_t device) {
  if (device >= 1 && device <= device_count && device_state(device)) return true;
  raise_error(5);
  return false;
}

// Index 0-based of item n of the current device's event, or -1 after raising error 5.
int32_t item_index(int32_t n, int32_t available) {
  if (current_device == 0 || n < 1 || n > available) {
    raise_error(5);
    return -1;
  }
  return n - 1;
}
}  // namespace

int32_t devices_query() { return error_pending() ? 0 : device_count; }

str_desc* device_description(int32_t device) {
  if (error_pending() || !valid_device(device)) return str_from_cstr("");
  return str_from_cstr(device_table[device].description);
}

str_desc* device_name(int32_t device) {
  if (error_pending() || !valid_device(device)) return str_from_cstr("");
  return str_from_cstr(device_table[device].name);
}

int32_t device_input(int32_t device) {
  if (error_pending() || !valid_device(device)) return 0;
  if (!device_event_after(device, taken_sequence[device], taken)) return 0;
  taken_sequence[device] = taken->sequence;
  current_device = device;
  return -1;
}

int32_t device_input_any() {
  if (error_pending()) return 0;
  int32_t oldest_device = 0;
  uint64_t oldest = 0;
  for (int32_t d = 1; d <= device_count; ++d) {
    const uint64_t s = device_event_next_sequence(d, taken_sequence[d]);
    if (s != 0 && (oldest == 0 || s < oldest)) {
      oldest = s;
      oldest_device = d;
    }
  }
  if (oldest_device == 0) return 0;
  device_input(oldest_device);
  return oldest_device;
}

int32_t device_current() { return current_device; }

int32_t device_button(int32_t n) {
  if (error_pending()) return 0;
  const int32_t i = item_index(n, current_device ? device_state(current_device)->buttons : 0);
  return i >= 0 && taken->button_bytes[i] ? -1 : 0;
}

float device_axis(int32_t n) {
  if (error_pending()) return 0.0f;
  const int32_t i = item_index(n, current_device ? device_state(current_device)->axes : 0);
  return i >= 0 ? taken->values[i] : 0.0f;
}

float device_wheel(int32_t n) {
  if (error_pending()) return 0.0f;
  const input_device* d = current_device ? device_state(current_device) : nullptr;
  const int32_t i = item_index(n, d ? d->wheels : 0);
  return i >= 0 ? taken->values[d->axes + i] : 0.0f;
}

void device_statements_reset() {
  for (auto& s : taken_sequence) s = device_event_sequence.load();
  current_device = 0;
  *taken = device_event_copy{};
}
