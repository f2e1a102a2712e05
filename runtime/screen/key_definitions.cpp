#include "runtime/screen/key_definitions.h"

namespace {

constexpr int32_t entries = 32;
std::string labels[entries];
uint8_t makes[entries];
uint8_t shift_masks[entries];

bool in_range(int32_t entry) { return entry >= 0 && entry < entries; }

}  // namespace

void key_label_store(int32_t entry, const uint8_t* chars, int32_t len) {
  if (!in_range(entry)) return;
  labels[entry].assign(reinterpret_cast<const char*>(chars), len > 0 ? static_cast<size_t>(len) : 0);
}

std::string key_label_text(int32_t entry) { return in_range(entry) ? labels[entry] : std::string(); }

void user_key_store(int32_t entry, uint8_t make, uint8_t shift_mask) {
  if (!in_range(entry)) return;
  makes[entry] = make;
  shift_masks[entry] = make ? shift_mask : 0;
}

uint8_t user_key_make(int32_t entry) { return in_range(entry) ? makes[entry] : 0; }
uint8_t user_key_shift_mask(int32_t entry) { return in_range(entry) ? shift_masks[entry] : 0; }

void key_definitions_reset() {
  for (int32_t i = 0; i < entries; ++i) {
    labels[i].clear();
    makes[i] = shift_masks[i] = 0;
  }
}
