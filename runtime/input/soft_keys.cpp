#include "runtime/input/soft_keys.h"

#include <mutex>

#include "runtime/frame/frame.h"

namespace {
std::mutex soft_key_mutex;
std::string texts[key_trap_count];
}  // namespace

void soft_key_set(int32_t entry, std::string_view text) {
  if (entry < 0 || entry >= key_trap_count) return;
  std::lock_guard<std::mutex> lock(soft_key_mutex);
  texts[entry].assign(text);
}

std::string soft_key_text(int32_t entry) {
  if (entry < 0 || entry >= key_trap_count) return {};
  std::lock_guard<std::mutex> lock(soft_key_mutex);
  return texts[entry];
}

std::string soft_key_find(int32_t value, int32_t code) {
  std::lock_guard<std::mutex> lock(soft_key_mutex);
  for (int32_t i = 0; i < key_trap_count; ++i) {
    if (texts[i].empty()) continue;
    if (key_trap_table[i].scan_code.load() == value || key_trap_table[i].key_code.load() == code)
      return texts[i];
  }
  return {};
}
