#pragma once
// COLOR: foreground and background of the write image, by its mode.
#include <cstdint>

// given: bit 0 fg, bit 1 bg, bit 2 a third argument (refused with error 5).
// Both values are checked against the mode's ranges before either is set.
void color(int64_t fg, int64_t bg, int64_t third, int32_t given);
