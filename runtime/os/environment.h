#pragma once
// The process environment as the environment functions see it.
#include <cstdint>

// Entries of the C environment array, the terminating null entry included.
extern int32_t environment_entries;

void environment_init();
