#pragma once
// Unique 64-bit identifiers for memory blocks, images and scopes. Program thread only.
#include <cstdint>

struct lock_record {
  uint64_t id = 0;    // 0 = free
  int32_t type = 0;   // 1 = owns data (freed with the record), 3 = a scope record
  void* data = nullptr;
};

// The record most recently taken by lock_new; its creator fills type and data.
extern lock_record* lock_current;

uint64_t lock_new();
void lock_free(lock_record* record);
