#include "runtime/input/keyhit_buffer.h"

#include <atomic>

namespace {
constexpr int32_t mask = keyhit_size - 1;

struct keyhit_entry {
  std::atomic<int32_t> value{0};
  std::atomic<int32_t> keypad{0};
};
keyhit_entry entries[keyhit_size];
std::atomic<int32_t> keyhit_write{0};
std::atomic<int32_t> keyhit_read{0};
}  // namespace

void keyhit_reset() { keyhit_read.store(keyhit_write.load()); }

void keyhit_put(int32_t value, int32_t keypad) {
  const int32_t at = keyhit_write.load();
  const int32_t next = (at + 1) & mask;
  int32_t read = next;
  // Full: the oldest event is lost (unless the reader has just taken it).
  keyhit_read.compare_exchange_strong(read, (next + 1) & mask);
  entries[at].value.store(value);
  entries[at].keypad.store(keypad);
  keyhit_write.store(next);
}

bool keyhit_take(int32_t* value, int32_t* keypad) {
  for (;;) {
    int32_t at = keyhit_read.load();
    if (at == keyhit_write.load()) return false;
    const int32_t v = entries[at].value.load();
    const int32_t k = entries[at].keypad.load();
    // The writer may have dropped this entry meanwhile: then read again.
    if (keyhit_read.compare_exchange_strong(at, (at + 1) & mask)) {
      *value = v;
      *keypad = k;
      return true;
    }
  }
}
