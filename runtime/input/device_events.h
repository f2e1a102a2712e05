#pragma once
// Game-device input: every device of the device table keeps a list of events,
// each a full picture of its axes, wheels and buttons tagged with a sequence
// number that runs across all devices. The window thread (mouse callbacks, key
// scan codes) writes; the program thread reads.
//
// An event is laid out as: axes (f32), wheels (f32), one byte per button, and the
// 64-bit sequence number in its last 8 bytes.
#include <atomic>
#include <cstdint>
#include <mutex>

struct input_device {
  int32_t device = 0;  // its entry in the device table
  int32_t axes = 0, wheels = 0, buttons = 0;
  int32_t event_size = 0;  // ((axes + wheels) * 4 + buttons + 15) rounded down to a multiple of 8
  // Growth moves the events and a full list drops its oldest one, so the reader
  // and the writer meet under this lock. Events below count are committed.
  std::mutex lock;
  uint8_t* events = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;
};

constexpr int32_t device_events_growth_limit = 1024;  // capacity doubles while below this

// Highest sequence number handed out (0 = none yet).
extern std::atomic<uint64_t> device_event_sequence;

int32_t device_event_size(int32_t axes, int32_t wheels, int32_t buttons);

// Start-up: fills the keyboard and mouse entries of the device table and
// gives each its event state.
void device_table_init();

// Start-up, after the device table entry is filled: two zeroed events, capacity 2.
void device_state_alloc(int32_t device);
// The device's event state; null for entries without one.
input_device* device_state(int32_t device);

// Writer side. new_device_event copies the last event to the end of the list with
// the next sequence number and returns its index (-1 when the device has no state
// or memory ran out); it is not counted until commit_device_event.
int32_t new_device_event(int32_t device);
void set_device_button(int32_t device, int32_t event, int32_t button, int32_t down);
void set_device_axis(int32_t device, int32_t event, int32_t axis, float value);
void set_device_wheel(int32_t device, int32_t event, int32_t wheel, float value);
void commit_device_event(int32_t device);

// A button's state (0 or 1) in an event; 0 for indices out of range.
// Writer side: the last event is the device's committed event count - 1.
int32_t device_event_button(int32_t device, int32_t event, int32_t button);
int32_t device_last_event(int32_t device);

// A copy of one committed event, as the reader takes it.
struct device_event_copy {
  float values[256 + 8] = {};  // axes, then wheels
  uint8_t button_bytes[512] = {};
  uint64_t sequence = 0;
};

// Reader side: the oldest committed event with a sequence number above after;
// false when there is none.
bool device_event_after(int32_t device, uint64_t after, device_event_copy* out);
// Sequence number of that event, or 0 when there is none (no copy taken).
uint64_t device_event_next_sequence(int32_t device, uint64_t after);
