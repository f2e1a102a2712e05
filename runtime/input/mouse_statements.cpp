#include "runtime/input/mouse_statements.h"

#include "runtime/core/core.h"
#include "runtime/input/mouse_callbacks.h"
#include "runtime/input/mouse_queue.h"

namespace {
// Program thread: the entry taken last and the one before it.
mouse_entry taken;
mouse_entry before;

bool error_pending() { return pending_error.load() != 0; }
}  // namespace

int32_t mouse_input() {
  if (error_pending()) return 0;
  mouse_queue* q = mouse_queue_get(current_mouse_queue);
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
    raise_error(5);
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
