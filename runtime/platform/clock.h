#pragma once
// Time and waiting for the runtime's threads.
#include <cstdint>

// Milliseconds since the process started, from a monotonic wall clock
// (processor time would stand still while the program sleeps).
int64_t ms_counter();

// Sleeps ms milliseconds; 0 gives the processor to another thread.
void platform_sleep(int32_t ms);
