#include "runtime/input/input.h"

#include <cstdlib>
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/input/detail/input_internals.h"

input_devices_record input_devices;

namespace {

// Kept for the life of the process.
input_device* device_states[device_table_capacity] = {};

uint8_t* event_at(input_device* d, int32_t event) {
  return d->events + static_cast<size_t>(event) * static_cast<size_t>(d->event_size);
}

uint64_t sequence_of(input_device* d, int32_t event) {
  uint64_t s;
  std::memcpy(&s, event_at(d, event) + d->event_size - 8, 8);
  return s;
}

size_t buttons_offset(const input_device* d) { return static_cast<size_t>(d->axes + d->wheels) * 4; }

// The event a writer is filling: the one just past the committed ones.
bool writable(input_device* d, int32_t event) { return d && event == d->count && event < d->capacity; }

// Game controllers (kind 1) count button presses for their button traps.
int32_t controller_ordinal(int32_t device) {
  if (device_table.entries[device].kind != device_kind_controller) return -1;
  int32_t ordinal = 0;
  for (int32_t i = 1; i < device; ++i)
    if (device_table.entries[i].kind == device_kind_controller) ++ordinal;
  return ordinal;
}

void count_button_trap(int32_t device, int32_t button) {
  const int32_t ordinal = controller_ordinal(device);
  if (ordinal < 0 || ordinal > 255 || button > 255) return;
  trap_record& t = event_traps.buttons[ordinal * 256 + button];
  if (t.state.load() == 0) return;  // a trap that is off forgets presses
  uint8_t pending = t.pending.load();
  while (pending < 255 && !t.pending.compare_exchange_weak(pending, static_cast<uint8_t>(pending + 1))) {
  }
  run_flags.event_pending.store(1);
}

}  // namespace

int32_t device_event_size(int32_t axes, int32_t wheels, int32_t buttons) {
  return ((axes + wheels) * 4 + buttons + 15) / 8 * 8;
}

void device_state_alloc(int32_t device) {
  if (device < 1 || device >= device_table_capacity || device_states[device]) return;
  const device_record& r = device_table.entries[device];
  auto* d = new input_device;
  d->device = device;
  d->axes = r.axes < 0 ? 0 : r.axes > 256 ? 256 : r.axes;
  d->wheels = r.wheels < 0 ? 0 : r.wheels > 8 ? 8 : r.wheels;
  d->buttons = r.buttons < 0 ? 0 : r.buttons > 512 ? 512 : r.buttons;
  d->event_size = device_event_size(d->axes, d->wheels, d->buttons);
  d->capacity = 2;
  d->count = 2;
  d->events = static_cast<uint8_t*>(std::calloc(2, static_cast<size_t>(d->event_size)));
  device_states[device] = d;
}

input_device* device_state(int32_t device) {
  if (device < 1 || device >= device_table_capacity) return nullptr;
  return device_states[device];
}

int32_t new_device_event(int32_t device) {
  input_device* d = device_state(device);
  if (!d) return -1;
  std::lock_guard<std::mutex> hold(d->lock);
  if (!d->events) return -1;
  if (d->count >= d->capacity) {
    if (d->capacity < device_events_growth_limit) {
      const size_t bytes = static_cast<size_t>(d->capacity) * 2 * static_cast<size_t>(d->event_size);
      auto* grown = static_cast<uint8_t*>(std::realloc(d->events, bytes));
      if (!grown) return -1;
      d->events = grown;
      d->capacity *= 2;
    } else {
      std::memmove(d->events, event_at(d, 1), static_cast<size_t>(d->count - 1) * static_cast<size_t>(d->event_size));
      d->count -= 1;
    }
  }
  const int32_t at = d->count;
  std::memcpy(event_at(d, at), event_at(d, at - 1), static_cast<size_t>(d->event_size));
  const uint64_t sequence = input_devices.event_sequence.fetch_add(1) + 1;
  std::memcpy(event_at(d, at) + d->event_size - 8, &sequence, 8);
  return at;
}

void set_device_button(int32_t device, int32_t event, int32_t button, int32_t down) {
  input_device* d = device_state(device);
  if (!writable(d, event) || button < 0 || button >= d->buttons) return;
  event_at(d, event)[buttons_offset(d) + static_cast<size_t>(button)] = down ? 1 : 0;
}

void set_device_axis(int32_t device, int32_t event, int32_t axis, float value) {
  input_device* d = device_state(device);
  if (!writable(d, event) || axis < 0 || axis >= d->axes) return;
  std::memcpy(event_at(d, event) + static_cast<size_t>(axis) * 4, &value, 4);
}

void set_device_wheel(int32_t device, int32_t event, int32_t wheel, float value) {
  input_device* d = device_state(device);
  if (!writable(d, event) || wheel < 0 || wheel >= d->wheels) return;
  std::memcpy(event_at(d, event) + static_cast<size_t>(d->axes + wheel) * 4, &value, 4);
}

void commit_device_event(int32_t device) {
  input_device* d = device_state(device);
  if (!d || d->count >= d->capacity) return;
  // Buttons that went down in this event count for their traps.
  const uint8_t* now = event_at(d, d->count) + buttons_offset(d);
  const uint8_t* before = event_at(d, d->count - 1) + buttons_offset(d);
  {
    std::lock_guard<std::mutex> hold(d->lock);
    d->count += 1;
  }
  if (device_table.entries[device].kind == device_kind_controller)
    for (int32_t b = 0; b < d->buttons; ++b)
      if (now[b] && !before[b]) count_button_trap(device, b);
}

int32_t device_event_button(int32_t device, int32_t event, int32_t button) {
  input_device* d = device_state(device);
  if (!d || event < 0 || event >= d->capacity || button < 0 || button >= d->buttons) return 0;
  return event_at(d, event)[buttons_offset(d) + static_cast<size_t>(button)];
}

int32_t device_last_event(int32_t device) {
  input_device* d = device_state(device);
  return d ? d->count - 1 : -1;
}

namespace {
// The index of the oldest committed event after the sequence number, or -1. Lock held.
int32_t find_after(input_device* d, uint64_t after) {
  // Sequence numbers rise along the list; the two zeroed events at its start carry 0.
  int32_t lo = 0, hi = d->count;
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (sequence_of(d, mid) > after)
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo < d->count ? lo : -1;
}
}  // namespace

bool device_event_after(int32_t device, uint64_t after, device_event_copy* out) {
  input_device* d = device_state(device);
  if (!d) return false;
  std::lock_guard<std::mutex> hold(d->lock);  // events moves when new_device_event grows it
  if (!d->events) return false;
  const int32_t at = find_after(d, after);
  if (at < 0) return false;
  const uint8_t* e = event_at(d, at);
  *out = device_event_copy{};
  std::memcpy(out->values, e, buttons_offset(d));
  std::memcpy(out->button_bytes, e + buttons_offset(d), static_cast<size_t>(d->buttons));
  std::memcpy(&out->sequence, e + d->event_size - 8, 8);
  return true;
}

uint64_t device_event_next_sequence(int32_t device, uint64_t after) {
  input_device* d = device_state(device);
  if (!d) return 0;
  std::lock_guard<std::mutex> hold(d->lock);
  if (!d->events) return 0;
  const int32_t at = find_after(d, after);
  return at < 0 ? 0 : sequence_of(d, at);
}

void device_table_init() {
  device_table.entries[1] = {device_kind_keyboard, "[KEYBOARD][BUTTON]", 512, 0, 0, "Keyboard"};
  device_state_alloc(1);
  device_table.entries[2] = {device_kind_mouse, "[MOUSE][BUTTON][AXIS][WHEEL]", 3, 2, 3, "Mouse"};
  device_state_alloc(2);
  device_table.count = 2;
}

namespace {
// Program thread: the sequence number taken last of each device, and the event taken last.
uint64_t taken_sequence[device_table_capacity] = {};
int32_t current_device = 0;
device_event_copy* taken = new device_event_copy;  // kept for the life of the process

bool error_pending() { return error_report.pending.load() != 0; }

bool valid_device(int32_t device) {
  if (device >= 1 && device <= device_table.count && device_state(device)) return true;
  raise_error(err_illegal_function_call);
  return false;
}

// Index 0-based of item n of the current device's event, or -1 after raising error 5.
int32_t item_index(int32_t n, int32_t available) {
  if (current_device == 0 || n < 1 || n > available) {
    raise_error(err_illegal_function_call);
    return -1;
  }
  return n - 1;
}
}  // namespace

int32_t devices_query() { return error_pending() ? 0 : device_table.count; }

str_desc* device_description(int32_t device) {
  if (error_pending() || !valid_device(device)) return str_from_cstr("");
  return str_from_cstr(device_table.entries[device].description);
}

str_desc* device_name(int32_t device) {
  if (error_pending() || !valid_device(device)) return str_from_cstr("");
  return str_from_cstr(device_table.entries[device].name);
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
  for (int32_t d = 1; d <= device_table.count; ++d) {
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
  for (auto& s : taken_sequence) s = input_devices.event_sequence.load();
  current_device = 0;
  *taken = device_event_copy{};
}
