#pragma once
// Numbered-handle tables whose elements never move (files, images, queues,
// network connections). Handles start at 1 and are reused last-freed-first.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

struct mutex_record {
  std::mutex m;
};

struct list {
  int32_t element_size = 0;
  int32_t stride = 0;  // element size + 4, rounded up to 8: the trailing i32 holds the handle, 0 when free
  std::vector<uint8_t*> blocks;  // blocks[0] is a placeholder; blocks are never moved
  int32_t block_capacity = 0;
  int32_t block_used = 0;
  std::atomic<int32_t> count{0};  // highest handle handed out so far
  std::atomic<std::atomic<uint8_t*>*> index{nullptr};  // handle -> element; slot 0 unused
  int32_t index_capacity = 0;
  std::atomic<uint8_t*>* previous_index = nullptr;  // kept until the next growth
  int32_t* free_stack = nullptr;  // entries 1..free_top
  int32_t free_top = 0;
  int32_t free_capacity = 0;
  int32_t* previous_free_stack = nullptr;
  mutex_record* add_mutex = nullptr;
  mutex_record* free_mutex = nullptr;
};

list* list_new(int32_t element_size);
list* list_new_locked(int32_t element_size);

// Zero-filled element's handle; 0 when memory ran out (after the alerts).
int32_t list_add(list* l);
// -1 when the handle was in use and is now free; 0 when out of range or already free.
int32_t list_remove(list* l, int32_t handle);
// The element, or null when the handle is <= 0, above count, or free. Takes no lock.
void* list_get(list* l, int32_t handle);

mutex_record* mutex_new();
void mutex_lock(mutex_record* m);
void mutex_unlock(mutex_record* m);
