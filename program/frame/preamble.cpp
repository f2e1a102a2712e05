#include <csignal>

#include "program/frame/line_events.h"
#include "runtime/core/errors.h"
#include "runtime/strings/string_engine.h"

lock_record* main_scope_lock = nullptr;

namespace {
bool floating_point_ready = false;

// Integer division faults end the program with "Division by zero"; raise_error(11)
// never returns, so the faulting instruction is not run again.
void on_floating_point_fault(int) { raise_error(11); }
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
