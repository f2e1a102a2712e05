#include "runtime/input/port60_buffer.h"

#include <cstring>
#include <mutex>

namespace {
constexpr int32_t capacity = 256;
// Written by the key handlers, read by the program's port input.
std::mutex port60_mutex;
uint8_t bytes[capacity];
int32_t length = 0;
}  // namespace

void port60_append(uint8_t byte) {
  std::lock_guard<std::mutex> lock(port60_mutex);
  if (length > 0 && bytes[length - 1] == byte) return;
  if (length == capacity) {
    std::memmove(bytes, bytes + 1, capacity - 1);
    --length;
  }
  bytes[length++] = byte;
}

bool port60_take(uint8_t* byte) {
  std::lock_guard<std::mutex> lock(port60_mutex);
  if (length == 0) return false;
  *byte = bytes[0];
  std::memmove(bytes, bytes + 1, static_cast<size_t>(length - 1));
  --length;
  return true;
}

std::vector<uint8_t> port60_contents() {
  std::lock_guard<std::mutex> lock(port60_mutex);
  return std::vector<uint8_t>(bytes, bytes + length);
}
