#include "runtime/screen/display_sync.h"

std::atomic<int32_t> display_ready{0};
std::atomic<int32_t> auto_display{1};
std::atomic<int32_t> display_freeze{0};
std::atomic<int32_t> prev_valid{0};
std::atomic<int32_t> blink_enabled{1};
