#pragma once
// PRINT on a console surface: the text goes to the process's standard output.
#include <cstdint>

// Writes chars up to len bytes or the first zero byte, whichever comes first;
// newline adds an end-of-line and flushes the stream. No cursor moves.
void console_write(const uint8_t* chars, int32_t len, int32_t newline);
