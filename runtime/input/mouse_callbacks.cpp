#include "runtime/input/mouse_callbacks.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

#include <GL/freeglut.h>

#include "runtime/input/device_events.h"
#include "runtime/input/mouse_queue.h"

namespace {

// The program thread maps queue positions with the view the window thread saw.
std::mutex view_lock;
mouse_view published_view;

std::atomic<bool> raw_motion_wanted{false};

int16_t to_i16(int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX)); }

mouse_queue* window_queue() { return mouse_queue_get(first_mouse_queue); }

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
  const mouse_view m = mouse_view_of(current_view);
  std::lock_guard<std::mutex> hold(view_lock);
  published_view = m;
  return m;
}

bool mouse_raw_motion_wanted() { return raw_motion_wanted.load(); }

void mouse_button_callback(int button, int state, int x, int y) {
  mouse_view_update();
  button_change(button + 1, state == GLUT_DOWN, x, y);
}

void mouse_wheel_callback(int wheel, int direction, int x, int y) {
  if (wheel != 0 || direction == 0) return;  // only the first wheel turns buttons 4 and 5
  mouse_view_update();
  const int32_t n = direction > 0 ? 4 : 5;
  button_change(n, true, x, y);
  button_change(n, false, x, y);
}

void mouse_motion_callback(int x, int y) {
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
