#pragma once
// Start-up's mouse queues and device table, made once per test process (the
// queue list lives for the whole process).
#include "runtime/core/core.h"
#include "runtime/input/detail/input_internals.h"

namespace mouse_test {

inline void runtime_ready() {
  static const bool made = [] {
    mouse_queues_init();
    device_table_init();
    return true;
  }();
  (void)made;
}

}  // namespace mouse_test
