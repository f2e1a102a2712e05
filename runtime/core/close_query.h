#pragma once
#include <cstdint>

// The language's close-query function: from the first call on, close requests
// no longer stop the program. Returns the requests seen since the last call
// (bit 0 close button / Alt+F4, bit 1 Ctrl+Break) and clears them.
int32_t close_query();
