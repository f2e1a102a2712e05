#pragma once
// The mouse queue: a ring of position and button snapshots. The window thread
// appends; the program's mouse statements take entries one at a time. When the
// ring is full the oldest unread entry is lost.
#include <atomic>
#include <cstdint>

#include "runtime/core/core.h"

// One snapshot: window position, buttons held (bit n - 1 for button n) and the
// raw movement that produced it.
struct mouse_entry {
  int16_t x = 0, y = 0;
  uint32_t buttons = 0;
  int16_t move_x = 0, move_y = 0;
};
static_assert(sizeof(mouse_entry) == 12);

// An entry as stored: its three words, and a version that is odd while the
// writer changes them, so that a reader racing an overflow sees a mixed entry as such.
struct mouse_slot {
  std::atomic<uint32_t> position{0};  // x low half, y high half
  std::atomic<uint32_t> buttons{0};
  std::atomic<uint32_t> movement{0};  // move_x low half, move_y high half
  std::atomic<uint32_t> version{0};
};

constexpr int32_t mouse_queue_last_index = 65535;

struct mouse_queue {
  int32_t capacity = 0;  // last index of the ring
  mouse_slot* entries = nullptr;  // capacity + 1 entries
  std::atomic<int32_t> write_index{0};  // the newest entry
  std::atomic<int32_t> read_index{0};   // the entry taken last; the writer moves it on overflow
  uint32_t newest_buttons = 0;           // writer's copy of the newest entry's buttons
};

extern list* mouse_queue_list;
extern int32_t first_mouse_queue;    // handle the window thread appends to
extern int32_t current_mouse_queue;  // handle the program's mouse statements read

// Start-up: the list of queues with its first queue, which is also the current one.
void mouse_queues_init();

// A new zero-filled queue of capacity + 1 entries in the list; 0 when memory ran out.
int32_t mouse_queue_new(int32_t capacity);
mouse_queue* mouse_queue_get(int32_t handle);

// Writer (window thread): appends an entry; buttons start as the newest entry's.
// Returns the appended entry's index.
int32_t mouse_queue_append(mouse_queue* q, const mouse_entry& e);
// The newest entry (writer's view).
mouse_entry mouse_queue_newest(mouse_queue* q);

// Reader (program thread): moves on to the next unread entry and copies it to
// *out; false when every entry has been taken.
bool mouse_queue_take(mouse_queue* q, mouse_entry* out);
// Entries appended and not yet taken.
int32_t mouse_queue_unread(mouse_queue* q);

// The entry in a slot; false when the slot's version is no longer the given one
// (the writer changed the slot since the version was read, or during the read).
bool mouse_slot_read(const mouse_slot& s, uint32_t version, mouse_entry* out);
mouse_entry mouse_slot_load(const mouse_slot& s);  // writer's own reads and quiet slots
void mouse_slot_store(mouse_slot& s, const mouse_entry& e);
