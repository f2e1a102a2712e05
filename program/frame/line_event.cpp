#include <cstdint>
#include <atomic>

#include "program/frame/line_events.h"
#include "program/frame/statement_frame.h"
#include "program/frame/trap_tables.h"
#include "runtime/core/errors.h"
#include "runtime/core/program_end.h"
#include "runtime/core/runtime_flags.h"
#include "runtime/platform/clock.h"

std::atomic<int32_t> callback_active{0};

void line_event(int32_t line, int32_t sub_line, const char* sub_name) {
  if (callback_active.load()) return;
  event_pending.store(0);
  // Stand still at the line boundary while paused; leave for good on shutdown.
  while ((paused.load() & 1) || shutdown_started.load()) {
    if (shutdown_started.load()) stop_program_thread();
    platform_sleep(10);
  }
  if (pending_error.load() != 0) {
    error_line = line;
    error_sub_line = sub_line;
    error_sub_name = sub_name;
    handle_error();
    return;
  }
  event_dispatch();
}
