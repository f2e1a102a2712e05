#include "runtime/display/full_screen_state.h"

std::atomic<int32_t> full_screen_mode{0};
std::atomic<int32_t> full_screen_request{-1};
std::atomic<int32_t> full_screen_smooth{0};
std::atomic<int32_t> force_full_refresh{0};
