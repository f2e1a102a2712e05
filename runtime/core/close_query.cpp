#include "runtime/core/close_query.h"

#include "runtime/core/runtime_flags.h"

int32_t close_query() {
  exit_trap_enabled.store(1);
  return exit_request.exchange(0);
}
