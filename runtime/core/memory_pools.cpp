#include "runtime/core/core.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The trailing handle field is read by list_get on any thread while list_remove
// may clear it under the free mutex.
std::atomic_ref<int32_t> handle_field(list* l, uint8_t* element) {
  return std::atomic_ref<int32_t>(*reinterpret_cast<int32_t*>(element + l->element_size));
}

void report_allocation_failure(list* l) {
  alert("list_add: failed to allocate new buffer, structure size:");
  alert_number(l->stride);
  raise_error(err_out_of_memory);
}

// Grows the index so that it holds handle count; false when memory ran out.
bool grow_index(list* l) {
  const int32_t new_capacity = l->index_capacity * 2 + 1;
  auto* grown = new (std::nothrow) std::atomic<uint8_t*>[static_cast<size_t>(new_capacity) + 1];
  if (!grown) return false;
  auto* current = l->index.load();
  for (int32_t i = 0; i <= new_capacity; ++i)
    grown[i].store(current && i <= l->index_capacity ? current[i].load() : nullptr);
  delete[] l->previous_index;  // readers of the index before the last growth are long gone
  l->previous_index = current;
  l->index.store(grown);
  l->index_capacity = new_capacity;
  return true;
}

bool grow_free_stack(list* l) {
  const int32_t new_capacity = l->free_capacity * 2 + 1;
  auto* grown = static_cast<int32_t*>(std::calloc(static_cast<size_t>(new_capacity) + 1, sizeof(int32_t)));
  if (!grown) return false;
  if (l->free_stack)
    std::memcpy(grown, l->free_stack, (static_cast<size_t>(l->free_top) + 1) * sizeof(int32_t));
  std::free(l->previous_free_stack);
  l->previous_free_stack = l->free_stack;
  l->free_stack = grown;
  l->free_capacity = new_capacity;
  return true;
}

int32_t add_element(list* l) {
  mutex_lock(l->free_mutex);
  if (l->free_top > 0) {
    const int32_t h = l->free_stack[l->free_top--];
    uint8_t* element = l->index.load()[h].load();
    std::memset(element, 0, static_cast<size_t>(l->element_size));
    handle_field(l, element).store(h);
    mutex_unlock(l->free_mutex);
    return h;
  }
  mutex_unlock(l->free_mutex);

  if (l->block_capacity < l->block_used + 1) {
    const size_t slots = static_cast<size_t>(l->block_capacity) * 2 + 2;
    auto* block = static_cast<uint8_t*>(std::calloc(slots, static_cast<size_t>(l->stride)));
    if (!block) {
      report_allocation_failure(l);
      return 0;
    }
    l->block_capacity = l->block_capacity * 2 + 1;
    l->block_used = 0;
    l->blocks.push_back(block);
  }
  const int32_t h = l->count.load() + 1;
  if (h > l->index_capacity && !grow_index(l)) {
    report_allocation_failure(l);
    return 0;
  }
  l->block_used += 1;
  uint8_t* element = l->blocks.back() + static_cast<size_t>(l->stride) * static_cast<size_t>(l->block_used);
  handle_field(l, element).store(h);
  l->index.load()[h].store(element);
  l->count.store(h);
  return h;
}

}  // namespace

list* list_new(int32_t element_size) {
  auto* l = new list;
  l->element_size = element_size;
  // The trailing handle follows the element; the stride is rounded up to 8 so
  // that every element is aligned for the 64-bit values and pointers it holds.
  l->stride = (element_size + 4 + 7) & ~7;
  l->blocks.push_back(nullptr);  // placeholder first block
  return l;
}

list* list_new_locked(int32_t element_size) {
  list* l = list_new(element_size);
  l->add_mutex = mutex_new();
  l->free_mutex = mutex_new();
  return l;
}

int32_t list_add(list* l) {
  mutex_lock(l->add_mutex);
  const int32_t h = add_element(l);
  mutex_unlock(l->add_mutex);
  return h;
}

int32_t list_remove(list* l, int32_t handle) {
  int32_t result = 0;
  mutex_lock(l->free_mutex);
  if (handle >= 1 && handle <= l->count.load()) {
    uint8_t* element = l->index.load()[handle].load();
    if (handle_field(l, element).load() != 0 &&
        (l->free_capacity >= l->free_top + 1 || grow_free_stack(l))) {
      l->free_stack[++l->free_top] = handle;
      handle_field(l, element).store(0);
      result = -1;
    }
  }
  mutex_unlock(l->free_mutex);
  return result;
}

void* list_get(list* l, int32_t handle) {
  if (handle <= 0 || handle > l->count.load()) return nullptr;
  uint8_t* element = l->index.load()[handle].load();
  if (!element || handle_field(l, element).load() == 0) return nullptr;
  return element;
}

mutex_record* mutex_new() { return new mutex_record; }

void mutex_lock(mutex_record* m) {
  if (m) m->m.lock();
}

void mutex_unlock(mutex_record* m) {
  if (m) m->m.unlock();
}

namespace {
constexpr size_t records_per_block = 10000;

// The lock records: handed out from blocks of records_per_block, released ones
// reused first. Blocks are kept for the process's life; the record itself is
// never destroyed.
struct lock_pool_state {
  uint64_t last_id = 0;
  lock_record* block = nullptr;
  size_t block_used = records_per_block;  // forces the first block
  std::vector<lock_record*> blocks;
  std::vector<lock_record*> free_records;
  lock_record* newest = nullptr;  // the record lock_new took last
};
lock_pool_state& lock_pool = *[] {
  auto* p = new lock_pool_state;
  p->free_records.reserve(1000);
  return p;
}();
}  // namespace

uint64_t lock_new() {
  lock_record* record;
  if (!lock_pool.free_records.empty()) {
    record = lock_pool.free_records.back();
    lock_pool.free_records.pop_back();
  } else {
    if (lock_pool.block_used == records_per_block) {
      lock_pool.block = new lock_record[records_per_block];
      lock_pool.blocks.push_back(lock_pool.block);
      lock_pool.block_used = 0;
    }
    record = &lock_pool.block[lock_pool.block_used++];
  }
  record->id = ++lock_pool.last_id;
  record->type = 0;
  record->data = nullptr;
  lock_pool.newest = record;
  return record->id;
}

lock_record* lock_newest() { return lock_pool.newest; }

void lock_free(lock_record* record) {
  record->id = 0;
  if (record->type == 1) std::free(record->data);
  record->data = nullptr;
  lock_pool.free_records.push_back(record);
}

variable_arena_state variable_arena;

namespace {
// Every block ever allocated; none is returned, and the record itself is never
// destroyed, so the blocks stay reachable until the process ends.
std::vector<uint8_t*>& arena_blocks() {
  static auto* blocks = new std::vector<uint8_t*>;
  return *blocks;
}
}  // namespace

void arena_init() {
  variable_arena.base = static_cast<uint8_t*>(std::calloc(arena_first_block, 1));
  if (!variable_arena.base) raise_error(err_arena_growth);
  arena_blocks().push_back(variable_arena.base);
  variable_arena.size = arena_first_block;
  variable_arena.top = 0;
}

void* arena_alloc(size_t n) {
  n = (n + 7) & ~static_cast<size_t>(7);
  if (!variable_arena.base || variable_arena.top + n >= variable_arena.size) {
    const size_t size = n + 2 * variable_arena.size;
    auto* block = static_cast<uint8_t*>(std::calloc(size, 1));
    if (!block) raise_error(err_arena_growth);
    arena_blocks().push_back(block);
    variable_arena.base = block;  // the old block stays: its variables do not move
    variable_arena.size = size;
    variable_arena.top = 0;
  }
  uint8_t* p = variable_arena.base + variable_arena.top;
  variable_arena.top += n;
  return p;
}

void arena_reset(void* p) {
  auto* q = static_cast<uint8_t*>(p);
  const bool inside = q >= variable_arena.base && q < variable_arena.base + variable_arena.size;
  variable_arena.top = inside ? static_cast<size_t>(q - variable_arena.base) : 0;
}
