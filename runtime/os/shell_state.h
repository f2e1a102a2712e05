#pragma once
#include <atomic>
#include <cstdint>

// 1 when SHELL has just started a command, -1 while it runs (the main loop has
// drawn its last frame), 0 otherwise.
extern std::atomic<int32_t> shell_running;
