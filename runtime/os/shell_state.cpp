#include "runtime/os/os.h"

std::atomic<int32_t> shell_running{0};
