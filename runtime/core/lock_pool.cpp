#include "runtime/core/lock_pool.h"

#include <cstdlib>
#include <vector>

lock_record* lock_current = nullptr;

namespace {
constexpr size_t records_per_block = 10000;

uint64_t last_id = 0;
lock_record* block = nullptr;
// Blocks are kept for the process's life; the list itself is never destroyed.
std::vector<lock_record*>& blocks = *new std::vector<lock_record*>;
size_t block_used = records_per_block;  // forces the first block
std::vector<lock_record*> free_records = [] {
  std::vector<lock_record*> v;
  v.reserve(1000);
  return v;
}();
}  // namespace

uint64_t lock_new() {
  lock_record* record;
  if (!free_records.empty()) {
    record = free_records.back();
    free_records.pop_back();
  } else {
    if (block_used == records_per_block) {
      block = new lock_record[records_per_block];
      blocks.push_back(block);
      block_used = 0;
    }
    record = &block[block_used++];
  }
  record->id = ++last_id;
  record->type = 0;
  record->data = nullptr;
  lock_current = record;
  return record->id;
}

void lock_free(lock_record* record) {
  record->id = 0;
  if (record->type == 1) std::free(record->data);
  record->data = nullptr;
  free_records.push_back(record);
}
