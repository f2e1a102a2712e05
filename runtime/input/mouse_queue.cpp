#include "runtime/input/mouse_queue.h"

#include <new>

list* mouse_queue_list = nullptr;
int32_t first_mouse_queue = 0;
int32_t current_mouse_queue = 0;

namespace {
int32_t next_index(const mouse_queue* q, int32_t i) { return i + 1 > q->capacity ? 0 : i + 1; }
}  // namespace

mouse_entry mouse_slot_load(const mouse_slot& s) {
  const uint32_t p = s.position.load(std::memory_order_relaxed);
  const uint32_t m = s.movement.load(std::memory_order_relaxed);
  mouse_entry e;
  e.x = static_cast<int16_t>(p & 0xFFFF);
  e.y = static_cast<int16_t>(p >> 16);
  e.buttons = s.buttons.load(std::memory_order_relaxed);
  e.move_x = static_cast<int16_t>(m & 0xFFFF);
  e.move_y = static_cast<int16_t>(m >> 16);
  return e;
}

bool mouse_slot_read(const mouse_slot& s, uint32_t version, mouse_entry* out) {
  *out = mouse_slot_load(s);
  std::atomic_thread_fence(std::memory_order_acquire);
  return (version & 1) == 0 && s.version.load(std::memory_order_relaxed) == version;
}

void mouse_slot_store(mouse_slot& s, const mouse_entry& e) {
  const uint32_t v = s.version.load(std::memory_order_relaxed);
  s.version.store(v + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  s.position.store(static_cast<uint16_t>(e.x) | static_cast<uint32_t>(static_cast<uint16_t>(e.y)) << 16,
                   std::memory_order_relaxed);
  s.buttons.store(e.buttons, std::memory_order_relaxed);
  s.movement.store(
      static_cast<uint16_t>(e.move_x) | static_cast<uint32_t>(static_cast<uint16_t>(e.move_y)) << 16,
      std::memory_order_relaxed);
  s.version.store(v + 2, std::memory_order_release);
}

int32_t mouse_queue_new(int32_t capacity) {
  if (capacity < 1) capacity = 1;
  const int32_t h = list_add(mouse_queue_list);
  if (h == 0) return 0;
  auto* q = new (list_get(mouse_queue_list, h)) mouse_queue;
  // Kept for the life of the process: reachable through the list's element.
  q->entries = new (std::nothrow) mouse_slot[static_cast<size_t>(capacity) + 1];
  if (!q->entries) {
    list_remove(mouse_queue_list, h);
    return 0;
  }
  q->capacity = capacity;
  return h;
}

void mouse_queues_init() {
  mouse_queue_list = list_new(static_cast<int32_t>(sizeof(mouse_queue)));
  first_mouse_queue = mouse_queue_new(mouse_queue_last_index);
  current_mouse_queue = first_mouse_queue;
}

mouse_queue* mouse_queue_get(int32_t handle) {
  if (!mouse_queue_list) return nullptr;
  auto* q = static_cast<mouse_queue*>(list_get(mouse_queue_list, handle));
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
