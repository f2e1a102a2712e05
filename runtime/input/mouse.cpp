#include "runtime/input/input.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <new>

#include "runtime/core/core.h"
#include "runtime/input/detail/input_internals.h"

mouse_queues_record mouse_queues;

namespace {
int32_t next_index(const mouse_queue* q, int32_t i) { return i + 1 > q->capacity ? 0 : i + 1; }
}  // namespace

// A seqlock without stand-alone fences: the fields are stored with release
// and loaded with acquire (plain moves on x86-64), so a reader that sees any
// field of a store also sees the odd version before it, and its version check
// comes after its field loads.
mouse_entry mouse_slot_load(const mouse_slot& s) {
  const uint32_t p = s.position.load(std::memory_order_acquire);
  const uint32_t m = s.movement.load(std::memory_order_acquire);
  mouse_entry e;
  e.x = static_cast<int16_t>(p & 0xFFFF);
  e.y = static_cast<int16_t>(p >> 16);
  e.buttons = s.buttons.load(std::memory_order_acquire);
  e.move_x = static_cast<int16_t>(m & 0xFFFF);
  e.move_y = static_cast<int16_t>(m >> 16);
  return e;
}

bool mouse_slot_read(const mouse_slot& s, uint32_t version, mouse_entry* out) {
  *out = mouse_slot_load(s);
  return (version & 1) == 0 && s.version.load(std::memory_order_relaxed) == version;
}

void mouse_slot_store(mouse_slot& s, const mouse_entry& e) {
  const uint32_t v = s.version.load(std::memory_order_relaxed);
  s.version.store(v + 1, std::memory_order_relaxed);
  s.position.store(static_cast<uint16_t>(e.x) | static_cast<uint32_t>(static_cast<uint16_t>(e.y)) << 16,
                   std::memory_order_release);
  s.buttons.store(e.buttons, std::memory_order_release);
  s.movement.store(
      static_cast<uint16_t>(e.move_x) | static_cast<uint32_t>(static_cast<uint16_t>(e.move_y)) << 16,
      std::memory_order_release);
  s.version.store(v + 2, std::memory_order_release);
}

int32_t mouse_queue_new(int32_t capacity) {
  if (capacity < 1) capacity = 1;
  const int32_t h = list_add(mouse_queues.table);
  if (h == 0) return 0;
  auto* q = new (list_get(mouse_queues.table, h)) mouse_queue;
  // Kept for the life of the process: reachable through the list's element.
  q->entries = new (std::nothrow) mouse_slot[static_cast<size_t>(capacity) + 1];
  if (!q->entries) {
    list_remove(mouse_queues.table, h);
    return 0;
  }
  q->capacity = capacity;
  return h;
}

void mouse_queues_init() {
  mouse_queues.table = list_new(static_cast<int32_t>(sizeof(mouse_queue)));
  mouse_queues.window_queue = mouse_queue_new(mouse_queue_last_index);
  mouse_queues.program_queue = mouse_queues.window_queue;
}

mouse_queue* mouse_queue_get(int32_t handle) {
  if (!mouse_queues.table) return nullptr;
  auto* q = static_cast<mouse_queue*>(list_get(mouse_queues.table, handle));
  return q && q->entries ? q : nullptr;
}

int32_t mouse_queue_append(mouse_queue* q, const mouse_entry& e) {
  const int32_t next = next_index(q, q->write_index.load(std::memory_order_relaxed));
  // A full ring loses its oldest unread entry: the read index moves past it,
  // unless the reader has just moved it itself.
  int32_t read = next;
  q->read_index.compare_exchange_strong(read, next_index(q, next), std::memory_order_acq_rel);
  mouse_slot_store(q->entries[next], e);
  q->newest_buttons = e.buttons;
  q->write_index.store(next, std::memory_order_release);
  return next;
}

mouse_entry mouse_queue_newest(mouse_queue* q) {
  return mouse_slot_load(q->entries[q->write_index.load(std::memory_order_acquire)]);
}

bool mouse_queue_take(mouse_queue* q, mouse_entry* out) {
  int32_t read = q->read_index.load(std::memory_order_acquire);
  for (;;) {
    if (read == q->write_index.load(std::memory_order_acquire)) return false;
    const int32_t next = next_index(q, read);
    // The entry's version as it was while it was still unread.
    const uint32_t version = q->entries[next].version.load(std::memory_order_acquire);
    if (!q->read_index.compare_exchange_weak(read, next, std::memory_order_acq_rel)) continue;
    // The writer overwrote the entry since: it is lost like the other entries
    // of an overflow; take the next one.
    if (mouse_slot_read(q->entries[next], version, out)) return true;
    read = q->read_index.load(std::memory_order_acquire);
  }
}

int32_t mouse_queue_unread(mouse_queue* q) {
  const int32_t w = q->write_index.load(std::memory_order_acquire);
  const int32_t r = q->read_index.load(std::memory_order_acquire);
  return w >= r ? w - r : w - r + q->capacity + 1;
}

namespace {

// The program thread maps queue positions with the view the window thread saw.
std::mutex view_lock;
mouse_view published_view;

std::atomic<bool> raw_motion_wanted{false};

int16_t to_i16(int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX)); }

mouse_queue* window_queue() { return mouse_queue_get(mouse_queues.window_queue); }

void append(int32_t x, int32_t y, uint32_t buttons, int32_t move_x, int32_t move_y) {
  mouse_queue* q = window_queue();
  if (!q) return;
  mouse_entry e;
  e.x = to_i16(x);
  e.y = to_i16(y);
  e.buttons = buttons;
  e.move_x = to_i16(move_x);
  e.move_y = to_i16(move_y);
  mouse_queue_append(q, e);
}

uint32_t newest_buttons() {
  mouse_queue* q = window_queue();
  return q ? q->newest_buttons : 0;
}

void device_button(int32_t button, int32_t down) {
  const int32_t e = new_device_event(mouse_device);
  if (e < 0) return;
  set_device_button(mouse_device, e, button, down);
  commit_device_event(mouse_device);
}

void device_wheel_turn(float value) {
  for (const float v : {value, 0.0f}) {
    const int32_t e = new_device_event(mouse_device);
    if (e < 0) return;
    set_device_wheel(mouse_device, e, 2, v);
    commit_device_event(mouse_device);
  }
}

void button_change(int32_t n, bool pressed, int32_t x, int32_t y) {
  if (n < 1 || n > 32) return;  // the entry has 32 button bits
  const uint32_t bit = 1u << (n - 1);
  const uint32_t buttons = newest_buttons();
  if (pressed) {
    append(x, y, buttons | bit, 0, 0);
    if (n <= 3)
      device_button(n - 1, 1);
    else if (n == 4)
      device_wheel_turn(-1.0f);
    else if (n == 5)
      device_wheel_turn(1.0f);
  } else {
    append(x, y, buttons & ~bit, 0, 0);
    if (n <= 3) device_button(n - 1, 0);
  }
}

}  // namespace

mouse_view mouse_view_of(const view_mapping& v) {
  mouse_view m;
  m.view = v;
  m.picture_w = std::max(1, static_cast<int32_t>(std::lround((v.x1 - v.x0 + 1) / v.scale_x)));
  m.picture_h = std::max(1, static_cast<int32_t>(std::lround((v.y1 - v.y0 + 1) / v.scale_y)));
  return m;
}

float mouse_axis(const mouse_view& m, int32_t window_pos, bool vertical) {
  // The picture's first and last pixels lie at the view's edges: the window span
  // between them maps linearly onto -1..+1 (at 1:1 this is pos / (W - 1) * 2 - 1).
  const int32_t first = vertical ? m.view.y0 : m.view.x0;
  const int32_t last = vertical ? m.view.y1 : m.view.x1;
  const int32_t size = vertical ? m.picture_h : m.picture_w;
  if (last <= first || size < 2) return 0.0f;
  const float at = std::clamp(static_cast<float>(window_pos - first) / static_cast<float>(last - first), 0.0f, 1.0f);
  return at * 2.0f - 1.0f;
}

int32_t mouse_picture_pos(const mouse_view& m, int32_t window_pos, bool vertical) {
  const int32_t first = vertical ? m.view.y0 : m.view.x0;
  const float scale = vertical ? m.view.scale_y : m.view.scale_x;
  const int32_t size = vertical ? m.picture_h : m.picture_w;
  const float at = std::floor(static_cast<float>(window_pos - first) / scale);
  return static_cast<int32_t>(std::clamp(at, 0.0f, static_cast<float>(size - 1)));
}

mouse_view mouse_view_now() {
  std::lock_guard<std::mutex> hold(view_lock);
  return published_view;
}

mouse_view mouse_view_update() {
  const mouse_view m = mouse_view_of(render_layers.view);
  std::lock_guard<std::mutex> hold(view_lock);
  published_view = m;
  return m;
}

bool mouse_raw_motion_wanted() { return raw_motion_wanted.load(); }

void mouse_button_event(int32_t button, bool down, int32_t x, int32_t y) {
  mouse_view_update();
  button_change(button, down, x, y);
}

void mouse_wheel_event(int32_t direction, int32_t x, int32_t y) {
  if (direction == 0) return;
  mouse_view_update();
  const int32_t n = direction > 0 ? 4 : 5;
  button_change(n, true, x, y);
  button_change(n, false, x, y);
}

void mouse_motion_event(int32_t x, int32_t y) {
  raw_motion_wanted.store(true);
  const mouse_view m = mouse_view_update();
  const uint32_t buttons = newest_buttons();
  append(x, y, buttons, 0, 0);
  append(x, y, buttons, 0, 0);
  const int32_t e = new_device_event(mouse_device);
  if (e < 0) return;
  set_device_axis(mouse_device, e, 0, mouse_axis(m, x, false));
  set_device_axis(mouse_device, e, 1, mouse_axis(m, y, true));
  commit_device_event(mouse_device);
}

void mouse_raw_motion(int32_t dx, int32_t dy) {
  if (dx == 0 && dy == 0) return;
  mouse_queue* q = window_queue();
  if (!q) return;
  const mouse_entry newest = mouse_queue_newest(q);
  append(newest.x, newest.y, newest.buttons, dx, dy);
  append(newest.x, newest.y, newest.buttons, 0, 0);
}

namespace {
// Program thread: the entry taken last and the one before it.
mouse_entry taken;
mouse_entry before;

bool error_pending() { return error_report.pending.load() != 0; }
}  // namespace

int32_t mouse_input() {
  if (error_pending()) return 0;
  mouse_queue* q = mouse_queue_get(mouse_queues.program_queue);
  mouse_entry e;
  if (!q || !mouse_queue_take(q, &e)) return 0;
  before = taken;
  taken = e;
  return -1;
}

int32_t mouse_x() { return error_pending() ? 0 : mouse_picture_pos(mouse_view_now(), taken.x, false); }

int32_t mouse_y() { return error_pending() ? 0 : mouse_picture_pos(mouse_view_now(), taken.y, true); }

int32_t mouse_button(int32_t n) {
  if (error_pending()) return 0;
  if (n < 1 || n > 32) {
    raise_error(err_illegal_function_call);
    return 0;
  }
  return (taken.buttons >> (n - 1)) & 1 ? -1 : 0;
}

int32_t mouse_wheel() {
  if (error_pending()) return 0;
  const uint32_t pressed = taken.buttons & ~before.buttons;
  if (pressed & (1u << 3)) return -1;
  if (pressed & (1u << 4)) return 1;
  return 0;
}

int32_t mouse_movement_x() { return error_pending() ? 0 : taken.move_x; }

int32_t mouse_movement_y() { return error_pending() ? 0 : taken.move_y; }

void mouse_statements_reset() {
  taken = {};
  before = {};
}
