#include "runtime/core/core.h"

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

void stop_program_thread() {
  stopped_threads.fetch_or(1);
  while (shutdown_started.load() == 0) platform_sleep(16);
  for (;;) platform_sleep(16);
}

int32_t close_query() {
  exit_trap_enabled.store(1);
  return exit_request.exchange(0);
}

device_record device_table[device_table_capacity];
int32_t device_count = 0;
