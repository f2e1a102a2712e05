#include "runtime/platform/clock.h"

#include <chrono>
#include <thread>

namespace {
const auto process_start = std::chrono::steady_clock::now();
}

int64_t ms_counter() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               process_start)
      .count();
}

void platform_sleep(int32_t ms) {
  if (ms <= 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
