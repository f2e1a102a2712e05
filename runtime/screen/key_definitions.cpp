#include "runtime/screen/key_definitions.h"

#include <string_view>

#include "runtime/frame/frame.h"
#include "runtime/input/soft_keys.h"

// The labels are the keyboard's soft-key strings and the user-defined keys live
// in the key-trap table, where the key handlers look for them.
namespace {
bool in_range(int32_t entry) { return entry >= 0 && entry < key_trap_count; }
}  // namespace

void key_label_store(int32_t entry, const uint8_t* chars, int32_t len) {
  if (!in_range(entry)) return;
  soft_key_set(entry, std::string_view(reinterpret_cast<const char*>(chars), len > 0 ? static_cast<size_t>(len) : 0));
}

std::string key_label_text(int32_t entry) { return in_range(entry) ? soft_key_text(entry) : std::string(); }

void user_key_store(int32_t entry, uint8_t make, uint8_t shift_mask) {
  if (!in_range(entry)) return;
  key_trap_table[entry].make.store(make);
  key_trap_table[entry].shift_mask.store(make ? shift_mask : 0);
}

uint8_t user_key_make(int32_t entry) { return in_range(entry) ? key_trap_table[entry].make.load() : 0; }
uint8_t user_key_shift_mask(int32_t entry) { return in_range(entry) ? key_trap_table[entry].shift_mask.load() : 0; }

void key_definitions_reset() {
  for (int32_t i = 0; i < key_trap_count; ++i) {
    soft_key_set(i, {});
    key_trap_table[i].make.store(0);
    key_trap_table[i].shift_mask.store(0);
  }
}
