#include "runtime/os/shell_state.h"

std::atomic<int32_t> shell_running{0};
