#include "runtime/screen/image_table.h"

#include <cstdlib>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/screen/image_create.h"

int32_t image_slots_used = 0;

int32_t write_index = 0;
image_record* write_image = nullptr;
int32_t read_index = 0;
image_record* read_image = nullptr;
std::atomic<int32_t> display_index{0};
std::atomic<image_record*> display_image{nullptr};

int32_t* page_table = nullptr;
int32_t page_count = 0;
int32_t last_active_page = 0;
bool page0_handed = false;

namespace {

constexpr int32_t block_count_max = image_slots_max / image_block_slots;
image_record* blocks[block_count_max];  // blocks live for the process
int32_t blocks_made = 0;

int32_t* free_stack = nullptr;
int32_t free_top = 0;
int32_t free_capacity = 0;

}  // namespace

image_record* image_at(int32_t index) {
  return &blocks[index / image_block_slots][index % image_block_slots];
}

bool image_index_valid(int64_t index) {
  return index >= 0 && index < image_slots_used && image_at(static_cast<int32_t>(index))->valid;
}

int32_t image_alloc() {
  int32_t index;
  if (free_top > 0) {
    index = free_stack[--free_top];
  } else {
    if (image_slots_used == blocks_made * image_block_slots) {
      image_record* block = nullptr;
      if (blocks_made < block_count_max)
        block = static_cast<image_record*>(std::calloc(image_block_slots, sizeof(image_record)));
      if (!block) raise_error(502);  // fatal: does not return
      blocks[blocks_made++] = block;
    }
    index = image_slots_used++;
  }
  image_record* img = image_at(index);
  std::memset(static_cast<void*>(img), 0, sizeof *img);
  img->valid = 1;
  return index;
}

int32_t image_release(int32_t index) {
  if (!image_index_valid(index)) return 0;
  image_record* img = image_at(index);
  if (img->lock_id) lock_free(img->lock_record);
  if (free_top == free_capacity) {
    const int32_t capacity = free_capacity + image_block_slots;
    auto* grown = static_cast<int32_t*>(std::realloc(free_stack, sizeof(int32_t) * capacity));
    if (!grown) raise_error(503);  // fatal: does not return
    free_stack = grown;
    free_capacity = capacity;
  }
  std::memset(static_cast<void*>(img), 0, sizeof *img);
  free_stack[free_top++] = index;
  return 1;
}

void image_table_init() {
  for (int32_t i = 2; i < image_slots_used; ++i) {
    if (!image_at(i)->valid) continue;
    image_free_memory(image_at(i));
    image_release(i);
  }
  for (int32_t b = 0; b < blocks_made; ++b) std::memset(static_cast<void*>(blocks[b]), 0, sizeof(image_record) * image_block_slots);
  image_slots_used = 0;
  free_top = 0;
  write_index = read_index = 0;
  write_image = read_image = nullptr;
  display_index.store(0);
  display_image.store(nullptr);
  std::free(page_table);
  page_table = static_cast<int32_t*>(std::calloc(1, sizeof(int32_t)));
  page_count = 1;
  last_active_page = 0;
  page0_handed = false;
  image_alloc();
  image_alloc();
  image_at(0)->valid = 0;
  image_at(1)->valid = 0;
}

void set_write_image(int32_t index) {
  write_index = index;
  write_image = image_at(index);
}

void set_read_image(int32_t index) {
  read_index = index;
  read_image = image_at(index);
}

void set_display_image(int32_t index) {
  display_index.store(index);
  display_image.store(image_at(index), std::memory_order_release);
}

bool page_table_reserve(int32_t page) {
  if (page < 0 || page > page_number_max) return false;
  if (page < page_count) return true;
  auto* grown = static_cast<int32_t*>(std::realloc(page_table, sizeof(int32_t) * (page + 1)));
  if (!grown) return false;
  std::memset(grown + page_count, 0, sizeof(int32_t) * (page + 1 - page_count));
  page_table = grown;
  page_count = page + 1;
  return true;
}

int32_t resolve_image(int64_t page_or_handle, int32_t bad_handle_error) {
  if (page_or_handle >= 0) {
    if (page_or_handle > page_number_max) {
      raise_error(5);
      return 0;
    }
    const int32_t index = page_image(static_cast<int32_t>(page_or_handle));
    if (!index) raise_error(7);
    return index;
  }
  const int64_t index = index_of_handle(page_or_handle);
  if (!image_index_valid(index)) {
    raise_error(bad_handle_error);
    return 0;
  }
  return static_cast<int32_t>(index);
}

int32_t resolve_target(int64_t page_or_handle, bool given) {
  return given ? resolve_image(page_or_handle) : write_index;
}
