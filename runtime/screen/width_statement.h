#pragma once
// WIDTH: the text grid of the screen (or the font of a pixel page), and the printer's line width.
#include <cstdint>

// device 0: the screen; device 2 with only cols given (1-255): the printer
// width. given: bit 0 cols, bit 1 rows. Values out of range are error 5 and
// change nothing.
void width(int32_t device, int32_t cols, int32_t rows, int32_t given);
