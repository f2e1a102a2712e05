#pragma once
// Copies a 32-bit picture into power-of-two dimensions before texture upload.
#include <cstdint>

// width and height are >= 1 and are updated in place. Returns pixels unchanged
// when both are powers of two already; otherwise a scratch buffer kept between
// calls, where column `width` repeats the last column and row `height` the last row.
const uint32_t* pad_to_power_of_two(int32_t* width, int32_t* height, const uint32_t* pixels);
