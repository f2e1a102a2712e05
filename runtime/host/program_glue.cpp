#include "runtime/host/host.h"

#include <csignal>

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/input/input.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

lock_record* main_scope_lock = nullptr;

namespace {
bool floating_point_ready = false;

// Integer division faults end the program with "Division by zero"; raise_error(err_division_by_zero)
// never returns, so the faulting instruction is not run again.
void on_floating_point_fault(int) { raise_error(err_division_by_zero); }
}  // namespace

uint32_t program_preamble() {
  if (!floating_point_ready) {
    // Extended precision is asked for explicitly: the compiled code computes in
    // long double where the language's rules call for it. Floating-point
    // exceptions stay masked, so only integer faults raise SIGFPE.
    floating_point_ready = true;
    struct sigaction action {};
    action.sa_handler = on_floating_point_fault;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_NODEFER;
    sigaction(SIGFPE, &action, nullptr);
  }
  if (!main_scope_lock) {
    lock_new();
    main_scope_lock = lock_current;
    main_scope_lock->type = 3;
  }
  return str_temp_mark();
}

void program_end() {
  close_all_files();
  exit_trap_enabled.store(0);  // a close request now ends the program even if it took them over
  if (screen_hidden.load() == 0) {
    // The prompt goes on the bottom row of the visible page, whatever page the program drew on.
    set_write_image(display_index.load());
    // A page lower than one text row has no bottom row: the prompt is left out,
    // and the wait for the key goes on all the same.
    const int32_t rows = image_rows(write_image);
    if (rows >= 1) {
      view_print(rows, rows, 1);
      print_text(str_from_cstr(""), 1);
      print_text(str_from_cstr("Press any key to continue"), 0);
    }
    // Nothing reports errors from here on, and one left pending would keep
    // INKEY$ empty for good.
    pending_error.store(0);
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
