#include "runtime/core/core.h"

#include <cstring>

#include "runtime/core/shared_memory.h"
#include "runtime/platform/platform.h"

std::atomic<int32_t> event_pending{0};
std::atomic<int32_t> pending_error{0};
std::atomic<uint8_t> stop_request{0};
std::atomic<uint8_t> shutdown_started{0};
std::atomic<uint8_t> paused{0};
std::atomic<int32_t> exit_request{0};
std::atomic<int32_t> exit_trap_enabled{0};
std::atomic<int32_t> stopped_threads{0};
std::atomic<int32_t> exit_status{0};
std::atomic<int32_t> fbo_supported{0};
std::atomic<unsigned long> window_handle{0};

namespace {
std::atomic<uint32_t> program_wake_count{0};
}  // namespace

uint32_t program_wakes() { return program_wake_count.load(); }

void program_wait(uint32_t seen, int32_t timeout_ms) { wait_on_word(program_wake_count, seen, timeout_ms); }

void program_wake() {
  program_wake_count.fetch_add(1);
  wake_word_waiters(program_wake_count);
}

void report_thread_stopped(int32_t bit) {
  stopped_threads.fetch_or(bit);
  stopped_threads.notify_all();
}

void stop_program_thread() {
  report_thread_stopped(1);
  // The main loop ends the process; until then the thread sleeps without waking.
  for (;;) {
    const uint32_t seen = program_wakes();
    program_wait(seen, -1);
  }
}

int32_t close_query() {
  exit_trap_enabled.store(1);
  return exit_request.exchange(0);
}

device_record device_table[device_table_capacity];
int32_t device_count = 0;

// The frame builder's reads of whole images: kept out of line, where the
// compiler lays out their loops alone.
void shared_get_bytes(uint8_t* dst, const uint8_t* src, size_t n) {
  size_t i = 0;
  if ((reinterpret_cast<uintptr_t>(src) & 7) == 0) {
    for (; i + 8 <= n; i += 8) {
      const uint64_t word = shared_get(*reinterpret_cast<const uint64_t*>(src + i));
      std::memcpy(dst + i, &word, 8);
    }
  }
  for (; i < n; ++i) dst[i] = shared_get(src[i]);
}

bool shared_bytes_equal(const uint8_t* shared, const uint8_t* mine, size_t n) {
  size_t i = 0;
  if ((reinterpret_cast<uintptr_t>(shared) & 7) == 0) {
    const auto word = [shared](size_t at) { return shared_get(*reinterpret_cast<const uint64_t*>(shared + at)); };
    for (; i + 32 <= n; i += 32) {
      uint64_t m[4];
      std::memcpy(m, mine + i, 32);
      const uint64_t diff = (word(i) ^ m[0]) | (word(i + 8) ^ m[1]) | (word(i + 16) ^ m[2]) | (word(i + 24) ^ m[3]);
      if (diff) return false;
    }
  }
  for (; i < n; ++i)
    if (shared_get(shared[i]) != mine[i]) return false;
  return true;
}
