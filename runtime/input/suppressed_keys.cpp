#include "runtime/input/suppressed_keys.h"

namespace {
int32_t slots[256];
int32_t count = 0;
}  // namespace

void suppressed_keys_add(int32_t code) {
  for (int32_t i = 0; i < count; ++i)
    if (slots[i] == 0) {
      slots[i] = code;
      return;
    }
  if (count <= 254) slots[count++] = code;
}

bool suppressed_keys_take(int32_t code) {
  for (int32_t i = 0; i < count; ++i)
    if (slots[i] == code) {
      slots[i] = 0;
      return true;
    }
  return false;
}

void suppressed_keys_clear() {
  for (int32_t& s : slots) s = 0;
  count = 0;
}
