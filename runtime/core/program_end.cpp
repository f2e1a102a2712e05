#include "runtime/core/program_end.h"

#include "runtime/core/runtime_flags.h"
#include "runtime/display/window_state.h"
#include "runtime/input/inkey.h"
#include "runtime/os/file_numbers.h"
#include "runtime/platform/clock.h"
#include "runtime/screen/cursor_statements.h"
#include "runtime/screen/display_sync.h"
#include "runtime/screen/font_tables.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/text_output.h"
#include "runtime/strings/string_engine.h"

void program_end() {
  close_all_files();
  exit_trap_enabled.store(0);  // a close request now ends the program even if it took them over
  if (screen_hidden.load() == 0) {
    // The prompt goes on the bottom row of the visible page, whatever page the program drew on.
    set_write_image(display_index.load());
    const int32_t rows = image_rows(write_image);
    view_print(rows, rows, 1);
    print_text(str_from_cstr(""), 1);
    print_text(str_from_cstr("Press any key to continue"), 0);
    const uint32_t mark = str_temp_mark();
    // Keys typed before the end do not answer the prompt.
    for (;;) {
      const bool waiting = inkey()->len != 0;
      str_cleanup(mark);
      if (!waiting) break;
      platform_sleep(0);
    }
    auto_display.store(1);
    for (;;) {
      platform_sleep(100);
      if (shutdown_started.load()) stop_program_thread();
      const bool pressed = inkey()->len != 0;
      str_cleanup(mark);
      if (pressed) break;
    }
  }
  stop_request.store(1);
  stop_program_thread();
}

void stop_program_thread() {
  stopped_threads.fetch_or(1);
  while (shutdown_started.load() == 0) platform_sleep(16);
  for (;;) platform_sleep(16);
}
