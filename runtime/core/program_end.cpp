#include "runtime/core/program_end.h"

#include "runtime/core/runtime_flags.h"
#include "runtime/os/file_numbers.h"
#include "runtime/platform/clock.h"

void program_end() {
  close_all_files();
  exit_trap_enabled.store(0);
  // The "Press any key to continue" prompt needs the screen, text output and
  // INKEY$; it is shown here once those exist. Until then the program stops at once.
  stop_request.store(1);
  stop_program_thread();
}

void stop_program_thread() {
  stopped_threads.fetch_or(1);
  while (shutdown_started.load() == 0) platform_sleep(16);
  for (;;) platform_sleep(16);
}
